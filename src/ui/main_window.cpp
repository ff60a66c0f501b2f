#include "ui/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "ui/model_widgets.h"

// Outside any namespace, as Qt's resource macro requires; the pictures live in the view's
// static library, whose resource table the linker would otherwise leave out.
static void InitViewResources() { Q_INIT_RESOURCE(resources); }

namespace kd {

namespace {

// The window is designed in pixels at 96 dpi inside the client area of 14445 x 8355 twips
// (963 x 557 px); everything left of x = 787 is seen at the narrow width, the hub panel
// lies to the right of it.
constexpr int kRowPitch = 23;      // parameter rows
constexpr int kBoxHeight = 21;     // text boxes
constexpr int kButtonHeight = 25;  // buttons beside text boxes are a little taller

constexpr Qt::Alignment kCaptionAlign = Qt::AlignLeft | Qt::AlignVCenter;

QString Spoken(const std::string& caption) { return FromBytes(caption); }

class Builder {
public:
    explicit Builder(Scale s) : s_(s) {}

    BoxEdit* edit(TextBox& m, QWidget* parent, int x, int y, int w, int h = kBoxHeight) const {
        auto* e = new BoxEdit(m, parent);
        e->setGeometry(s_.rect(x, y, w, h));
        return e;
    }
    // A caption label; it names its buddy for screen readers and keyboard users.
    QLabel* caption(Label& m, QWidget* parent, int x, int y, int w, int h, QWidget* buddy,
                    Qt::Alignment align = kCaptionAlign, const QString& spokenPrefix = {}) const {
        auto* l = new QLabel(parent);
        l->setAlignment(align);
        l->setGeometry(s_.rect(x, y, w, h));
        if (buddy) l->setBuddy(buddy);
        Bind(m, l, spokenPrefix);
        return l;
    }
    QPushButton* button(Button& m, QWidget* parent, int x, int y, int w, int h = kButtonHeight) const {
        auto* b = new QPushButton(parent);
        b->setAutoDefault(false);
        b->setGeometry(s_.rect(x, y, w, h));
        Bind(m, b);
        return b;
    }
    CaptionGroupBox* frame(Frame& m, QWidget* parent, int x, int y, int w, int h) const {
        auto* f = new CaptionGroupBox(m, parent);
        f->setGeometry(s_.rect(x, y, w, h));
        return f;
    }
    QComboBox* list(ComboBox& m, QWidget* parent, int x, int y, int w, int h = 23) const {
        auto* c = new QComboBox(parent);
        c->setGeometry(s_.rect(x, y, w, h));
        Bind(m, c);
        return c;
    }

private:
    Scale s_;
};

QFont WithPointSize(QFont f, double points, bool bold = false) {
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

}  // namespace

MainWindow::MainWindow(Mainform& form, QWidget* parent) : QMainWindow(parent), form_(form) {
    InitViewResources();
    setObjectName(QStringLiteral("Mainform"));
    sync_ = new ViewSync(this);
    scale_ = ScaleFor(this);

    setFont(ViewFont());

    buildMenus();
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    buildTopArea(client_);
    buildModemFrame(client_);
    buildCommunications(client_);
    buildProbeFrame(client_);
    buildCustomCommands(client_);
    buildHubFrame(client_);
    buildTabOrder();

    form_.setObserver([this] { modelChanged(this); });
    mirrorWindow();
}

MainWindow::~MainWindow() { form_.setObserver(nullptr); }

QSize MainWindow::clientSizeFor(int widthTwips) const {
    // The model's width includes the window border (90 twips for both sides together).
    const int inner = std::max(0, widthTwips - (kWideWidth - kClientWidth));
    return QSize(scale_.twips(inner), scale_.twips(kClientHeight));
}

QObject* MainWindow::findControl(const std::string& name) const {
    return findChild<QObject*>(QString::fromStdString(name));
}

void MainWindow::mirrorWindow() {
    const QString title = FromBytes(form_.caption());
    if (windowTitle() != title) setWindowTitle(title);
    const QSize client = clientSizeFor(form_.width());
    client_->setFixedSize(client);
    const int menuHeight = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
    const auto* status = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    const int statusHeight = status && !status->isHidden() ? status->sizeHint().height() : 0;
    setFixedSize(client.width(), client.height() + menuHeight + statusHeight);
    hub_->setCutOff(hub_->x() >= client.width());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The window gets its size when it first appears, and the program's resize handler
    // runs then, as it does for every later change of the width.
    if (!shown_) {
        shown_ = true;
        if (form_.onResize) form_.onResize();
    }
}

// ---------------------------------------------------------------------------------------------

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](MenuItem& m) {
        QMenu* popup = bar->addMenu(QString());
        popup->setObjectName(QString::fromStdString(m.name()) + QStringLiteral("Popup"));
        Bind(m, popup->menuAction());
        return popup;
    };
    auto item = [&](QMenu* popup, MenuItem& m, bool checkable = false) {
        auto* a = new QAction(popup);
        a->setCheckable(checkable);
        popup->addAction(a);
        Bind(m, a);
        return a;
    };
    QMenu* file = menu(form_.FileMenu);
    item(file, form_.NewButton);
    file->addSeparator();
    item(file, form_.SaveButton);
    item(file, form_.LoadButton);
    item(file, form_.SaveTranscript);
    file->addSeparator();
    item(file, form_.ExitButton);
    QMenu* edit = menu(form_.Editmen);
    item(edit, form_.DefEdit, true);
    item(edit, form_.ConfirmUpload, true);
    QMenu* tools = menu(form_.Toolmen);
    item(tools, form_.SetupComs);
    // Designed hidden and never offered: kept out of the menu bar, so that not even a screen
    // reader lists it.
    auto* single = new QMenu(this);
    single->setObjectName(QStringLiteral("TXSinglemenPopup"));
    Bind(form_.TXSinglemen, single->menuAction());
    item(single, form_.ModemWriteSingle);
    single->addSeparator();
    item(single, form_.ExitPU);
}

void MainWindow::buildTopArea(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    new LineWidget(f.Line1, QPalette::Mid, client);
    new LineWidget(f.Line2, QPalette::Light, client);

    b.button(f.ConnectButton, client, 8, 9, 96, 26);
    b.button(f.LoadSettings, client, 110, 9, 104, 26);
    b.button(f.Uploadbutton, client, 220, 9, 116, 26);

    // Both pictures share one place; the model shows one at a time.
    auto* connected = new PlugPicture(f.Connected, QStringLiteral(":/ui/plug_connected.png"), client);
    auto* disconnected = new PlugPicture(f.Disconnected, QStringLiteral(":/ui/plug_disconnected.png"), client);
    for (PlugPicture* p : {connected, disconnected}) {
        p->setGeometry(scale_.rect(346, 6, 32, 32));
        p->setCursor(Qt::PointingHandCursor);
    }
    connected->setAccessibleName(QStringLiteral("Connected plug"));
    connected->setToolTip(QStringLiteral("Connected. Double-click to disconnect."));
    disconnected->setAccessibleName(QStringLiteral("Disconnected plug"));
    disconnected->setToolTip(QStringLiteral("Disconnected. Double-click to connect."));

    auto* conStat = new QLabel(client);
    QFont arial(QStringLiteral("Arial"));
    arial.setStyleHint(QFont::SansSerif);
    conStat->setFont(WithPointSize(arial, 14));
    conStat->setAlignment(kCaptionAlign);
    conStat->setGeometry(scale_.rect(386, 6, 152, 32));
    Bind(f.ConStat, conStat);

    auto* product = new QLabel(client);
    product->setFont(WithPointSize(font(), 12, true));
    product->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    product->setGeometry(scale_.rect(544, 9, 239, 26));
    Bind(f.Product, product, QStringLiteral("Logger model"));

    const int statusX[3] = {4, 408, 598};
    const int statusW[3] = {400, 186, 185};
    for (int i = 0; i <= 2; ++i) {
        BoxEdit* box = b.edit(f.StatusBox(i), client, statusX[i], 535, statusW[i], 20);
        box->setAccessibleName(i == 0 ? QStringLiteral("Status line") : QStringLiteral("Status line %1").arg(i + 1));
        if (i == 0) box->setFont(WithPointSize(font(), font().pointSizeF(), true));
    }
}

void MainWindow::buildModemFrame(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    CaptionGroupBox* panel = b.frame(f.ModemFrame, client, 4, 40, 555, 386);

    // Rows 0..13 one under another; the two user name and password rows say whose they are.
    auto spokenRow = [&](int row) { return Spoken(f.rowCaption(row)); };
    b.caption(f.Label3(21), panel, 192, 17, 80, 16, nullptr);  // "Defaults:" heads that column
    for (int row = 0; row <= 14; ++row) {
        const bool second = row == 14;  // "Home No:" heads the second column
        const int y = second ? 34 : 34 + kRowPitch * row;
        BoxEdit* parm = b.edit(f.ModemParm(row), panel, second ? 346 : 96, y, second ? 100 : 92);
        BoxEdit* def = b.edit(f.Defaults(row), panel, second ? 450 : 192, y, second ? 97 : 80);
        b.caption(f.Label3(Mainform::kRowLabel[row]), panel, second ? 282 : 8, y, second ? 62 : 86, kBoxHeight, parm);
        parm->setAccessibleName(spokenRow(row));
        def->setAccessibleName(QStringLiteral("Default ") + spokenRow(row));
    }

    CaptionGroupBox* sim = b.frame(f.SIMtypeFrame, panel, 282, 60, 265, 68);
    for (int i = 0; i <= 1; ++i) {
        auto* option = new QRadioButton(sim);
        option->setGeometry(scale_.rect(i == 0 ? 10 : 96, 18, i == 0 ? 82 : 160, 21));
        Bind(f.SIMTypeOption(i), option);
    }
    QComboBox* network = b.list(f.NetworkName, sim, 72, 40, 120);
    b.caption(f.NetworkLabel, sim, 10, 40, 60, 23, network);
    network->setAccessibleName(QStringLiteral("Network:"));

    CaptionGroupBox* status = b.frame(f.StatusFrame, panel, 282, 132, 265, 248);
    // Two columns of boxes, each under its caption; the action buttons stand beside the
    // box they act on, and the time stamp gets a row of its own for its long text.
    struct Item { TextBox* box; int label; int row; int column; int width; Button* action; const char* spokenAction; };
    const Item items[] = {
        {&f.ModemStat(0), Mainform::kStatLabel[0], 0, 0, 74, &f.ClearWDT, "Clear WatchDog"},
        {&f.ModemStat(4), Mainform::kStatLabel[4], 0, 1, 115, nullptr, nullptr},
        {&f.ModemStat(1), Mainform::kStatLabel[1], 1, 0, 74, &f.ClearPU, "Clear Cold Starts"},
        {&f.ModemStat(5), Mainform::kStatLabel[5], 1, 1, 115, nullptr, nullptr},
        {&f.ModemStat(2), Mainform::kStatLabel[2], 2, 0, 74, &f.SetAO, "Set Auto Off"},
        {&f.ModemStat(6), Mainform::kStatLabel[6], 2, 1, 115, nullptr, nullptr},
        {&f.ModemStat(7), Mainform::kStatLabel[7], 3, 0, 74, &f.ResetRG, "Reset RainGauge"},
        {&f.ModemStat(8), Mainform::kStatLabel[8], 3, 1, 115, nullptr, nullptr},
        {&f.ModemStat(3), Mainform::kStatLabel[3], 4, 0, 198, &f.SetTimeDate, "Set Time & Date"},
        {&f.AirTime, 25, 5, 0, 124, nullptr, nullptr},
    };
    for (const Item& it : items) {
        const int x = it.column == 0 ? 8 : 142;
        const int labelY = 16 + 38 * it.row;
        const int boxY = 31 + 38 * it.row;
        BoxEdit* box = b.edit(*it.box, status, x, boxY, it.width);
        // A caption may not reach over the button standing beside the box below it.
        const int captionWidth = it.column == 1 ? 115 : it.action ? std::max(it.width, 76) : 124;
        b.caption(f.Label3(it.label), status, x, labelY, captionWidth, 15, box);
        box->setAccessibleName(Spoken(f.Label3(it.label).caption()));
        if (it.action) {
            QPushButton* action = b.button(*it.action, status, x + it.width + 4, boxY - 1, 46, 23);
            action->setAccessibleName(QString::fromLatin1(it.spokenAction));
        }
    }
    b.button(f.RefreshStat, status, 142, 31 + 38 * 5 - 1, 115, 23);
}

void MainWindow::buildCommunications(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    CaptionGroupBox* panel = b.frame(f.Frame1, client, 4, 430, 555, 101);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(std::min(9.0, font().pointSizeF()));
    auto pane = [&](TextBox& m, Label& caption, int x) {
        auto* p = new TrafficPane(m, panel);
        p->setFont(fixed);
        p->setGeometry(scale_.rect(x + 24, 19, 218, 76));
        b.caption(caption, panel, x, 20, 22, 18, p, Qt::AlignLeft | Qt::AlignTop);
        p->setAccessibleName(Spoken(caption.caption()));
    };
    pane(f.TXText, f.Label1, 8);
    pane(f.RXText, f.Label2, 258);
    QPushButton* clear = b.button(f.ClearButton, panel, 504, 70, 43);
    clear->setAccessibleName(QStringLiteral("Clear TX and RX"));
}

void MainWindow::buildProbeFrame(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    CaptionGroupBox* panel = b.frame(f.Frame2, client, 563, 40, 220, 340);

    auto* id = new QLabel(panel);
    id->setFont(WithPointSize(font(), 12, true));
    id->setAlignment(kCaptionAlign);
    id->setGeometry(scale_.rect(8, 17, 204, 25));
    Bind(f.IDtext, id, QStringLiteral("Record from"));

    // Sensors run down the rows, moisture and temperature side by side, each sensor's
    // number at the outer edge of its value.
    b.caption(f.Label5(0), panel, 24, 43, 94, 16, nullptr);
    b.caption(f.Label5(1), panel, 118, 43, 94, 16, nullptr);
    for (int k = 0; k <= 5; ++k) {
        const int y = 60 + 22 * k;
        BoxEdit* moisture = b.edit(f.Moisture(k), panel, 24, y, 90);
        BoxEdit* temperature = b.edit(f.Temperature(k), panel, 118, y, 78);
        b.caption(f.Label5(2 + k), panel, 8, y, 14, kBoxHeight, moisture, Qt::AlignCenter);
        b.caption(f.Label5(8 + k), panel, 198, y, 14, kBoxHeight, temperature, Qt::AlignCenter);
        moisture->setAccessibleName(QStringLiteral("Soil Moisture %1").arg(k + 1));
        temperature->setAccessibleName(QStringLiteral("Temperature %1").arg(k + 1));
    }
    TextBox* values[3] = {&f.DateBox, &f.TimeBox, &f.RSSIBox};
    for (int i = 0; i <= 2; ++i) {
        const int y = 196 + 23 * i;
        BoxEdit* box = b.edit(*values[i], panel, 48, y, 100);
        b.caption(f.Label5(14 + i), panel, 8, y, 38, kBoxHeight, box);
        box->setAccessibleName(Spoken(f.Label5(14 + i).caption()));
    }

    // Paging through the records received: < n of m >
    auto arrow = [&](Button& m, Qt::ArrowType type, int x, const QString& spoken) {
        auto* t = new QToolButton(panel);
        t->setArrowType(type);
        t->setGeometry(scale_.rect(x, 267, 28, 24));
        t->setAccessibleName(spoken);
        t->setToolTip(spoken);
        Bind(m, t);
        return t;
    };
    arrow(f.Prevlog, Qt::LeftArrow, 8, QStringLiteral("Previous Log"));
    b.caption(f.StartLog, panel, 38, 267, 42, 24, nullptr, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Record shown"));
    b.caption(f.Label4, panel, 82, 267, 24, 24, nullptr, Qt::AlignCenter);
    b.caption(f.Endlog, panel, 108, 267, 42, 24, nullptr, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Records held"));
    arrow(f.Nextlog, Qt::RightArrow, 152, QStringLiteral("Next Log"));

    CaptionGroupBox* fetch = b.frame(f.Frame3, panel, 8, 296, 204, 36);
    fetch->setAccessibleName(QStringLiteral("Fetch"));
    b.button(f.FetchLog, fetch, 6, 5, 84, 26);
    BoxEdit* logNumber = b.edit(f.LogBox, fetch, 96, 7, 60);
    logNumber->setAccessibleName(QStringLiteral("Log number to fetch"));
}

void MainWindow::buildCustomCommands(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    CaptionGroupBox* panel = b.frame(f.Frame4, client, 563, 384, 220, 147);
    for (int i = 0; i <= 2; ++i) {
        const int y = 27 + 38 * i;
        BoxEdit* command = b.edit(f.CustomCMD(i), panel, 8, y, 150, 23);
        QPushButton* send = b.button(f.CustomSend(i), panel, 162, y - 1, 50);
        command->setAccessibleName(QStringLiteral("Custom Command %1").arg(i + 1));
        send->setAccessibleName(QStringLiteral("Send Custom Command %1").arg(i + 1));
    }
}

void MainWindow::buildHubFrame(QWidget* client) {
    const Builder b(scale_);
    Mainform& f = form_;
    hub_ = b.frame(f.NetworkFrame, client, 789, 40, 172, 515);

    CaptionGroupBox* channel = b.frame(f.RFChanFrame, hub_, 4, 20, 164, 54);
    QComboBox* channels = b.list(f.RFChannel, channel, 6, 22, 100);
    channels->setAccessibleName(QStringLiteral("RF Channel"));
    b.button(f.Command3, channel, 110, 21, 48)->setAccessibleName(QStringLiteral("Edit RF Channel"));

    // One row per device: number, ID, scan result, Scan.
    auto row = [&](QWidget* parent, int slot, int y, const QString& who) {
        BoxEdit* id = b.edit(f.NWDevIDBox(slot), parent, 15, y, 46);
        auto* result = new QLabel(parent);
        result->setGeometry(scale_.rect(63, y, 63, kBoxHeight));
        result->setAlignment(kCaptionAlign);
        Bind(f.StatText(slot), result, who + QStringLiteral(" status"));
        QPushButton* scan = b.button(f.ScanCommand(slot), parent, 128, y - 1, 33, 23);
        id->setAccessibleName(who + QStringLiteral(" ID"));
        scan->setAccessibleName(QStringLiteral("Scan ") + who.toLower());
        return id;
    };
    CaptionGroupBox* network = b.frame(f.NWFrame, hub_, 4, 80, 164, 246);
    b.caption(f.Label6, network, 15, 17, 146, 16, nullptr);
    for (int r = 1; r <= 7; ++r) {
        const int y = 34 + 25 * (r - 1);
        BoxEdit* id = row(network, r, y, QStringLiteral("Device %1").arg(r));
        b.caption(f.NWIDText(r - 1), network, 2, y, 11, kBoxHeight, id, Qt::AlignRight | Qt::AlignVCenter);
    }
    b.button(f.EditNW, network, 113, 212, 48)->setAccessibleName(QStringLiteral("Edit network devices"));

    CaptionGroupBox* probe = b.frame(f.LogProbeFrame, hub_, 4, 332, 164, 96);
    b.caption(f.Label7, probe, 15, 17, 146, 16, nullptr);
    row(probe, 0, 34, QStringLiteral("Probe"));
    b.button(f.EditProbe, probe, 113, 62, 48)->setAccessibleName(QStringLiteral("Edit probe"));
}

void MainWindow::buildTabOrder() {
    Mainform& f = form_;
    std::vector<Control*> order = {&f.ConnectButton, &f.LoadSettings, &f.Uploadbutton};
    for (int row = 0; row <= 14; ++row) {
        order.push_back(&f.ModemParm(row));
        order.push_back(&f.Defaults(row));
    }
    for (Control* c : std::initializer_list<Control*>{
             &f.SIMTypeOption(0), &f.SIMTypeOption(1), &f.NetworkName,
             &f.ModemStat(0), &f.ClearWDT, &f.ModemStat(4), &f.ModemStat(1), &f.ClearPU, &f.ModemStat(5),
             &f.ModemStat(2), &f.SetAO, &f.ModemStat(6), &f.ModemStat(7), &f.ResetRG, &f.ModemStat(8),
             &f.ModemStat(3), &f.SetTimeDate, &f.AirTime, &f.RefreshStat,
             &f.TXText, &f.RXText, &f.ClearButton})
        order.push_back(c);
    for (int k = 0; k <= 5; ++k) {
        order.push_back(&f.Moisture(k));
        order.push_back(&f.Temperature(k));
    }
    for (Control* c : std::initializer_list<Control*>{&f.DateBox, &f.TimeBox, &f.RSSIBox, &f.Prevlog, &f.Nextlog,
                                                      &f.FetchLog, &f.LogBox})
        order.push_back(c);
    for (int i = 0; i <= 2; ++i) {
        order.push_back(&f.CustomCMD(i));
        order.push_back(&f.CustomSend(i));
    }
    order.push_back(&f.RFChannel);
    order.push_back(&f.Command3);
    for (int r = 1; r <= 7; ++r) {
        order.push_back(&f.NWDevIDBox(r));
        order.push_back(&f.ScanCommand(r));
    }
    for (Control* c : std::initializer_list<Control*>{&f.EditNW, &f.NWDevIDBox(0), &f.ScanCommand(0), &f.EditProbe,
                                                      &f.StatusBox(0), &f.StatusBox(1), &f.StatusBox(2)})
        order.push_back(c);

    QWidget* previous = nullptr;
    for (Control* c : order) {
        auto* w = qobject_cast<QWidget*>(findControl(c->name()));
        if (!w) continue;
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
}

}  // namespace kd
