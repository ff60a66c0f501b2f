// Layout, keyboard and screen reader checks of the real window: texts fit their boxes,
// nothing overlaps, at 96 and at 144 dpi; every control has a name of its own, captions are
// the buddies of their boxes, Tab runs through each panel in reading order.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <map>
#include <set>

#include "link/coms_box.h"
#include "ui/coms_box_dialog.h"
#include "view_rig.h"

using kdtest::ViewRig;

namespace {

bool Ours(const QWidget* w) {
    const QString n = w->objectName();
    return !n.isEmpty() && !n.startsWith(QLatin1String("qt_")) && n != QLatin1String("client");
}

QString Shown(const QLabel* label) {
    QString t = label->text();
    return label->buddy() ? t.replace(QLatin1String("&&"), QLatin1String("&")) : t;
}

// Every way a text can be cut off or a control hidden under another, as readable lines.
std::vector<std::string> LayoutFaults(QWidget* root) {
    if (auto* window = qobject_cast<kd::MainWindow*>(root)) window->syncView();
    std::vector<std::string> faults;
    const kd::Scale s = kd::ScaleFor(root);
    auto fault = [&](const QWidget* w, const QString& what) {
        faults.push_back(w->objectName().toStdString() + ": " + what.toStdString());
    };
    std::set<QWidget*> parents;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!Ours(w) || !w->isVisibleTo(root) || qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)) continue;
        QWidget* parent = w->parentWidget();
        parents.insert(parent);
        if (!parent->rect().contains(w->geometry())) fault(w, "sticks out of " + parent->objectName());
        const QFontMetrics fm = w->fontMetrics();
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->pixmap().isNull() && !l->wordWrap()) {
                if (fm.horizontalAdvance(Shown(l)) > l->contentsRect().width()) fault(w, "text cut: " + Shown(l));
                if (fm.height() > l->contentsRect().height()) fault(w, "text too tall");
            }
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            if (fm.horizontalAdvance(b->text()) + s.px(4) > b->width()) fault(w, "caption cut: " + b->text());
            if (b->minimumSizeHint().height() > b->height() + s.px(2)) fault(w, "too low");
        } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
            if (r->sizeHint().width() > r->width() || r->sizeHint().height() > r->height()) fault(w, "caption cut");
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            if (c->sizeHint().width() > c->width()) fault(w, "entries cut");
            if (c->minimumSizeHint().height() > c->height()) fault(w, "too low");
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            if (fm.height() + s.px(4) > e->height()) fault(w, "too low for its text");
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(g->title()) + s.px(16) > g->width()) fault(w, "title cut");
        }
    }
    for (QWidget* parent : parents) {
        QList<QWidget*> kids;
        for (QWidget* k : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (Ours(k) && k->isVisibleTo(root) && !qobject_cast<QMenu*>(k) && !qobject_cast<QMenuBar*>(k)) kids << k;
        for (int i = 0; i < kids.size(); ++i)
            for (int j = i + 1; j < kids.size(); ++j)
                if (kids[i]->geometry().intersects(kids[j]->geometry()))
                    fault(kids[i], "overlaps " + kids[j]->objectName());
    }
    return faults;
}

void ExpectDpiAsAsked() {
    const QByteArray expected = qgetenv("UI_TEST_EXPECT_DPI");
    if (!expected.isEmpty()) {
        ASSERT_EQ(kd::ScaleFor(nullptr).dpi(), expected.toDouble());
    }
}

std::string Join(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& s : v) out += "\n  " + s;
    return out;
}

}  // namespace

// The longest texts each control can get, at both widths.
TEST(LayoutFit, TextsFitAndNothingOverlaps) {
    ExpectDpiAsAsked();
    ViewRig rig;
    rig.window.show();
    EXPECT_TRUE(LayoutFaults(&rig.window).empty()) << "narrow, empty:" << Join(LayoutFaults(&rig.window));

    rig.fillSample();
    EXPECT_TRUE(LayoutFaults(&rig.window).empty()) << "wide, filled:" << Join(LayoutFaults(&rig.window));

    kd::Mainform& f = rig.form;
    for (const std::string& model : rig.program.ModelNames) {
        f.Product.setCaption(model);
        EXPECT_TRUE(LayoutFaults(&rig.window).empty()) << model << Join(LayoutFaults(&rig.window));
    }
    for (const char* result : {"RF Busy", "No Reply", "Resp. flt", "No Logs", "Type Fault", "Scanning", "255/100%"}) {
        for (int i = 0; i <= 7; ++i) f.StatText(i).setCaption(result);
        EXPECT_TRUE(LayoutFaults(&rig.window).empty()) << result << Join(LayoutFaults(&rig.window));
    }
    f.ConnectButton.setCaption("Disconnect");
    f.ConStat.setCaption("Disconnected");
    f.EditNW.setCaption("OK");
    f.IDtext.setCaption("65500");
    f.Connected.setVisible(true);
    f.Disconnected.setVisible(false);
    EXPECT_TRUE(LayoutFaults(&rig.window).empty()) << Join(LayoutFaults(&rig.window));
}

TEST(LayoutFit, PortDialogFitsWhileSearchingAndChoosing) {
    ExpectDpiAsAsked();
    kd::ComsBox box;
    box.ComsCombo.setVisible(false);
    box.TestComs.setVisible(false);
    kd::ComsBoxDialog dialog(box, nullptr);
    dialog.show();
    EXPECT_TRUE(LayoutFaults(&dialog).empty()) << Join(LayoutFaults(&dialog));
    box.SearchText.setVisible(false);
    box.ComsCombo.setVisible(true);
    box.TestComs.setVisible(true);
    box.ComsCombo.addItem("COM 16");
    box.ComsCombo.setListIndex(0);
    box.DeviceInfo.setCaption("/dev/ttyUSB3 - FT232R USB UART (FTDI)");
    EXPECT_TRUE(LayoutFaults(&dialog).empty()) << Join(LayoutFaults(&dialog));
}

// The same checks with the screen at 144 dpi, in a process of their own (the density is
// fixed when the application starts).
TEST(LayoutAtHighDensity, TextsFitAndNothingOverlapsAt144Dpi) {
    if (!qgetenv("UI_TEST_EXPECT_DPI").isEmpty()) GTEST_SKIP() << "already the high density run";
    QTemporaryDir dir;
    const QString config = dir.filePath("screen.json");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens":[{"name":"dense","x":0,"y":0,"width":2400,"height":1800,"logicalDpi":144,"logicalBaseDpi":96}]})");
    file.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    env.insert("QT_ENABLE_HIGHDPI_SCALING", "0");  // Qt reports 144 dpi, the window scales itself
    env.insert("UI_TEST_EXPECT_DPI", "144");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=LayoutFit.*"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 2 tests")) << output.toStdString();
}

// Every control a keyboard reaches has a name of its own for a screen reader.
TEST(Accessibility, EveryFocusableControlHasAUniqueName) {
    ViewRig rig;
    rig.form.setWidth(kd::kWideWidth);
    std::map<QString, std::vector<std::string>> byName;
    for (QWidget* w : rig.window.findChildren<QWidget*>()) {
        if (!Ours(w) || w->focusPolicy() == Qt::NoFocus) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        const QString name = a->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty()) << w->objectName().toStdString();
        byName[name].push_back(w->objectName().toStdString());
    }
    for (const auto& [name, owners] : byName) EXPECT_EQ(owners.size(), 1u) << name.toStdString() << " is shared";

    auto spoken = [&](const char* control) {
        return QAccessible::queryAccessibleInterface(rig.widget<QWidget>(control))->text(QAccessible::Name);
    };
    EXPECT_EQ(spoken("ModemParm(9)"), "APN User Name:");
    EXPECT_EQ(spoken("ModemParm(12)"), "FTP User Name:");
    EXPECT_EQ(spoken("Defaults(3)"), "Default Logging Int:");
    EXPECT_EQ(spoken("ClearPU"), "Clear Cold Starts");
    EXPECT_EQ(spoken("SetTimeDate"), "Set Time & Date");
    EXPECT_EQ(spoken("ScanCommand(1)"), "Scan device 1");
    EXPECT_EQ(spoken("ModemStat(3)"), "Time & Date:");
    // A frame inside another is named by its own caption.
    EXPECT_EQ(spoken("StatusFrame"), "Modem Status:");
    EXPECT_EQ(spoken("NWFrame"), "Network Devices");
    // Labels that show a value say what it is.
    rig.form.Product.setCaption("KELDAMAR HUB");
    EXPECT_EQ(spoken("Product"), "Logger model: KELDAMAR HUB");
    EXPECT_FALSE(spoken("Disconnected").isEmpty());
}

TEST(Accessibility, CaptionsAreTheBuddiesOfTheirBoxes) {
    ViewRig rig;
    for (int row = 0; row <= 14; ++row) {
        auto* caption = rig.widget<QLabel>("Label3(" + std::to_string(kd::Mainform::kRowLabel[row]) + ")");
        EXPECT_EQ(caption->buddy(), rig.widget<QWidget>("ModemParm(" + std::to_string(row) + ")")) << row;
    }
    for (int i = 0; i <= 8; ++i) {
        auto* caption = rig.widget<QLabel>("Label3(" + std::to_string(kd::Mainform::kStatLabel[i]) + ")");
        EXPECT_EQ(caption->buddy(), rig.widget<QWidget>("ModemStat(" + std::to_string(i) + ")")) << i;
    }
    EXPECT_EQ(rig.widget<QLabel>("Label3(25)")->buddy(), rig.widget<QWidget>("AirTime"));
    EXPECT_EQ(rig.widget<QLabel>("Label5(2)")->buddy(), rig.widget<QWidget>("Moisture(0)"));
    EXPECT_EQ(rig.widget<QLabel>("Label5(13)")->buddy(), rig.widget<QWidget>("Temperature(5)"));
    EXPECT_EQ(rig.widget<QLabel>("Label1")->buddy(), rig.widget<QWidget>("TXText"));
    EXPECT_EQ(rig.widget<QLabel>("NWIDText(6)")->buddy(), rig.widget<QWidget>("NWDevIDBox(7)"));
    EXPECT_EQ(rig.widget<QLabel>("NetworkLabel")->buddy(), rig.widget<QWidget>("NetworkName"));
}

// Tab visits the panels one after the other, and inside each panel goes as one reads.
TEST(Keyboard, TabRunsThroughEachPanelInReadingOrder) {
    ViewRig rig;
    rig.form.setWidth(kd::kWideWidth);
    std::vector<QWidget*> chain;
    QWidget* start = rig.widget<QWidget>("ConnectButton");
    for (QWidget* w = start; chain.empty() || w != start; w = w->nextInFocusChain())
        if (Ours(w) && w->focusPolicy() & Qt::TabFocus) chain.push_back(w);

    auto position = [&](const std::string& name) {
        auto it = std::find(chain.begin(), chain.end(), rig.widget<QWidget>(name));
        return it == chain.end() ? -1 : static_cast<int>(it - chain.begin());
    };
    int last = -1;
    for (int row = 0; row <= 14; ++row) {
        for (const std::string& name : {"ModemParm(" + std::to_string(row) + ")", "Defaults(" + std::to_string(row) + ")"}) {
            const int at = position(name);
            EXPECT_GT(at, last) << name;
            last = at;
        }
    }
    // Panels in turn: each one's controls form one run of the chain.
    const char* panels[] = {"ModemFrame", "Frame1", "Frame2", "Frame4", "NetworkFrame"};
    int previousEnd = position("Uploadbutton");
    for (const char* panel : panels) {
        QWidget* frame = rig.widget<QWidget>(panel);
        std::vector<int> at;
        for (size_t i = 0; i < chain.size(); ++i)
            if (frame->isAncestorOf(chain[i])) at.push_back(static_cast<int>(i));
        ASSERT_FALSE(at.empty()) << panel;
        EXPECT_EQ(at.back() - at.front() + 1, static_cast<int>(at.size())) << panel << " is interrupted";
        EXPECT_GT(at.front(), previousEnd) << panel;
        previousEnd = at.back();
    }
    EXPECT_GT(position("StatusBox(0)"), previousEnd);

    // Inside each sub-panel: row by row, left to right.
    const kd::Scale s = kd::ScaleFor(&rig.window);
    for (const char* panel : {"SIMtypeFrame", "StatusFrame", "Frame2", "Frame3", "Frame4", "Frame1", "RFChanFrame", "NWFrame"}) {
        QWidget* frame = rig.widget<QWidget>(panel);
        QWidget* previous = nullptr;
        for (QWidget* w : chain) {
            if (w->parentWidget() != frame) continue;
            if (previous) {
                const bool sameRow = std::abs(w->y() - previous->y()) <= s.px(4);
                EXPECT_TRUE(sameRow ? w->x() > previous->x() : w->y() > previous->y())
                    << panel << ": " << previous->objectName().toStdString() << " then " << w->objectName().toStdString();
            }
            previous = w;
        }
    }
}
