// The main window against its model: every control present with its caption and state,
// user events reaching the core, model changes reaching the widgets.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTest>
#include <array>
#include <type_traits>

#include "ui/model_widgets.h"
#include "view_rig.h"

using kdtest::ViewRig;

namespace {

QString Shown(const QLabel* label) {
    QString t = label->text();
    return label->buddy() ? t.replace(QLatin1String("&&"), QLatin1String("&")) : t;
}

void Key(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A, QString(c));
}

void DoubleClick(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &dbl);
}

QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::Active, QPalette::Text); }

}  // namespace

// Every model control has a widget of the right kind, named after it, showing its caption
// and its state as the program left it after start-up.
TEST(MainWindowModel, EveryControlIsMirroredWithCaptionAndState) {
    ViewRig rig;
    int checked = 0;
    rig.form.forEachControl([&](auto& c) {
        using T = std::decay_t<decltype(c)>;
        SCOPED_TRACE(c.name());
        QObject* o = rig.window.findControl(c.name());
        ASSERT_NE(o, nullptr) << "no widget for " << c.name();
        ++checked;
        if constexpr (std::is_same_v<T, kd::MenuItem>) {
            auto* a = qobject_cast<QAction*>(o);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text(), kd::FromBytes(c.caption()));
            EXPECT_EQ(a->isVisible(), c.visible());
            if (c.visible()) {
                EXPECT_EQ(a->isEnabled(), c.enabled());  // Qt counts a hidden action as disabled
            }
            EXPECT_EQ(a->shortcut(), QKeySequence(kd::FromBytes(c.shortcut())));
            return;
        } else {
            auto* w = qobject_cast<QWidget*>(o);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->isEnabled(), c.enabled());
            if (c.name() != "NetworkFrame") {
                EXPECT_EQ(w->isHidden(), !c.visible());
            }
            if constexpr (std::is_same_v<T, kd::TextBox>) {
                if (auto* e = qobject_cast<QLineEdit*>(w)) {
                    EXPECT_EQ(e->text(), kd::FromBytes(c.text()));
                    EXPECT_EQ(e->isReadOnly(), c.readOnly());
                } else {
                    auto* p = qobject_cast<QPlainTextEdit*>(w);
                    ASSERT_NE(p, nullptr);
                    EXPECT_EQ(p->isReadOnly(), c.readOnly());
                }
            } else if constexpr (std::is_same_v<T, kd::Label>) {
                auto* l = qobject_cast<QLabel*>(w);
                ASSERT_NE(l, nullptr);
                EXPECT_EQ(Shown(l), kd::FromBytes(c.caption()));
            } else if constexpr (std::is_same_v<T, kd::Button>) {
                auto* b = qobject_cast<QAbstractButton*>(w);
                ASSERT_NE(b, nullptr);
                if (!c.caption().empty()) {
                    EXPECT_EQ(b->text(), kd::FromBytes(c.caption()));
                }
            } else if constexpr (std::is_same_v<T, kd::Frame>) {
                auto* g = qobject_cast<QGroupBox*>(w);
                ASSERT_NE(g, nullptr);
                EXPECT_EQ(g->title(), kd::FromBytes(c.caption()));
            } else if constexpr (std::is_same_v<T, kd::OptionButton>) {
                auto* r = qobject_cast<QRadioButton*>(w);
                ASSERT_NE(r, nullptr);
                EXPECT_EQ(r->text(), kd::FromBytes(c.caption()));
                EXPECT_EQ(r->isChecked(), c.value());
            } else if constexpr (std::is_same_v<T, kd::ComboBox>) {
                auto* box = qobject_cast<QComboBox*>(w);
                ASSERT_NE(box, nullptr);
                ASSERT_EQ(box->count(), static_cast<int>(c.items().size()));
                for (int i = 0; i < box->count(); ++i) EXPECT_EQ(box->itemText(i), kd::FromBytes(c.items()[i]));
                EXPECT_EQ(box->currentIndex(), c.listIndex());
            } else if constexpr (std::is_same_v<T, kd::Picture>) {
                EXPECT_NE(qobject_cast<kd::PlugPicture*>(w), nullptr);
            }
        }
    });
    EXPECT_GT(checked, 190);

    // The disconnected start the technician sees.
    EXPECT_EQ(rig.button("ConnectButton")->text(), "Connect");
    EXPECT_FALSE(rig.button("LoadSettings")->isEnabled());
    EXPECT_FALSE(rig.button("Uploadbutton")->isEnabled());
    EXPECT_TRUE(rig.widget<QWidget>("Connected")->isHidden());
    EXPECT_FALSE(rig.widget<QWidget>("Disconnected")->isHidden());
    EXPECT_EQ(rig.widget<QLabel>("ConStat")->text(), "Disconnected");
    EXPECT_TRUE(rig.widget<QLineEdit>("ModemParm(1)")->isReadOnly());
    EXPECT_FALSE(rig.widget<QLineEdit>("ModemParm(3)")->isReadOnly());
    EXPECT_TRUE(rig.widget<QRadioButton>("SIMTypeOption(0)")->isChecked());
    EXPECT_FALSE(rig.widget<QRadioButton>("SIMTypeOption(0)")->isEnabled());
    EXPECT_EQ(Shown(rig.widget<QLabel>("Label3(16)")), "Time & Date:");
}

TEST(MainWindowModel, MenusInOrderWithShortcutsAndTheSpareMenuHidden) {
    ViewRig rig;
    QStringList titles;
    for (QAction* a : rig.window.menuBar()->actions())
        if (a->isVisible()) titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Tools"}));

    QStringList file;
    for (QAction* a : rig.window.findChild<QMenu*>("FileMenuPopup")->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text() + QLatin1Char('|') + a->shortcut().toString());
    EXPECT_EQ(file, QStringList({"New|", "-", "Save|Ctrl+S", "Load|Ctrl+L", "Save Transcript...|", "-", "&Exit|"}));
    EXPECT_TRUE(rig.widget<QAction>("DefEdit")->isCheckable());
    EXPECT_EQ(rig.widget<QAction>("SetupComs")->text(), "COM Port Selection");
    EXPECT_FALSE(rig.widget<QAction>("TXSinglemen")->isVisible());
    EXPECT_FALSE(rig.window.menuBar()->actions().contains(rig.widget<QAction>("TXSinglemen")));
}

// Connecting through the real button and the plug pictures reaches the core and the window
// follows the connection state.
TEST(MainWindowEvents, ConnectButtonAndPlugPicturesToggleTheConnection) {
    ViewRig rig;
    rig.button("ConnectButton")->click();
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.button("ConnectButton")->text(), "Disconnect");
    EXPECT_EQ(rig.widget<QLabel>("ConStat")->text(), "Connected");
    EXPECT_FALSE(rig.widget<QWidget>("Connected")->isHidden());
    EXPECT_TRUE(rig.widget<QWidget>("Disconnected")->isHidden());
    EXPECT_TRUE(rig.button("LoadSettings")->isEnabled());

    // The plug drawings come from the view's resources.
    rig.window.show();
    QApplication::processEvents();
    const QPixmap plug = rig.widget<QLabel>("Connected")->pixmap();
    ASSERT_FALSE(plug.isNull());
    const QImage image = plug.toImage();
    EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);

    DoubleClick(rig.widget<QWidget>("Connected"));
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.button("ConnectButton")->text(), "Connect");
    EXPECT_FALSE(rig.button("LoadSettings")->isEnabled());
    EXPECT_FALSE(rig.widget<QWidget>("Disconnected")->isHidden());

    DoubleClick(rig.widget<QWidget>("Disconnected"));
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.widget<QLabel>("ConStat")->text(), "Connected");
}

TEST(MainWindowEvents, TypingIntoAParameterRunsItsChangeHandler) {
    ViewRig rig;
    ASSERT_EQ(rig.program.ReplyState, 0);
    auto* logging = rig.widget<QLineEdit>("ModemParm(3)");
    Type(logging, "153");  // the box takes two characters from the keyboard
    EXPECT_EQ(rig.form.ModemParm(3).text(), "15");
    EXPECT_EQ(logging->text(), "15");
    EXPECT_EQ(rig.form.ModemParm(3).foreColour(), kd::kRed);
    EXPECT_EQ(TextColour(logging), QColor(Qt::red));
    EXPECT_TRUE(rig.button("Uploadbutton")->isEnabled());

    // Another path a user edits by: pasting or inserting.
    auto* apn = rig.widget<QLineEdit>("ModemParm(8)");
    apn->insert("internet");
    EXPECT_EQ(rig.form.ModemParm(8).text(), "internet");
    EXPECT_EQ(rig.form.ModemParm(8).foreColour(), kd::kRed);
}

TEST(MainWindowEvents, ProgramTextsAreShownWholeAndAsBytes) {
    ViewRig rig;
    rig.program.ReplyState = 1;
    // Longer than the box takes from the keyboard: the logger's value must not be cut.
    rig.form.ModemParm(3).setText("120");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(3)")->text(), "120");
    // A byte above 127 is one character.
    rig.form.ModemParm(8).setText("caf\xe9");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(8)")->text(), QString::fromUtf8("café"));
    // A text that names a file is the system's UTF-8; the next byte text is Latin-1 again.
    rig.form.StatusBox(0).setSystemText("Profile saved to /home/u/\xD0\x94\xD0\xBE\xD0\xBA/p.kdprofile");
    EXPECT_EQ(rig.widget<QLineEdit>("StatusBox(0)")->text(), QString::fromUtf8("Profile saved to /home/u/Док/p.kdprofile"));
    rig.form.StatusBox(0).setText("\xD0\x94");
    EXPECT_EQ(rig.widget<QLineEdit>("StatusBox(0)")->text(), QString::fromLatin1("\xD0\x94"));
    // Logger text is never taken for markup.
    rig.form.StatText(2).setCaption("<b>12</b>/85%");
    EXPECT_EQ(rig.widget<QLabel>("StatText(2)")->textFormat(), Qt::PlainText);
    // Typing a character outside the byte range leaves what the program holds on view.
    rig.program.ReplyState = 0;
    auto* apn = rig.widget<QLineEdit>("ModemParm(8)");
    apn->setText(QString());
    apn->insert(QString::fromUtf8("a€"));
    EXPECT_EQ(rig.form.ModemParm(8).text(), "a?");
    EXPECT_EQ(apn->text(), "a?");
}

// Keys, double-clicks and focus reach the model's handlers, also on read-only boxes.
TEST(MainWindowEvents, KeysDoubleClicksAndFocusReachTheModel) {
    ViewRig rig;
    std::vector<int> keys;
    rig.form.LogBox.onKeyDown = [&](int code) { keys.push_back(code); };
    auto* logBox = rig.widget<QLineEdit>("LogBox");
    ASSERT_TRUE(logBox->isReadOnly());
    Key(logBox, Qt::Key_Up);
    Key(logBox, Qt::Key_Down);
    Key(logBox, Qt::Key_Return, "\r");
    Key(logBox, Qt::Key_Enter, "\r");
    EXPECT_EQ(keys, (std::vector<int>{38, 40, 13, 13}));

    int doubleClicks = 0;
    rig.form.Defaults(3).onDblClick = [&] { ++doubleClicks; };
    DoubleClick(rig.widget<QWidget>("Defaults(3)"));
    EXPECT_EQ(doubleClicks, 1);

    int focused = 0;
    rig.form.Defaults(4).onGotFocus = [&] { ++focused; };
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(rig.widget<QWidget>("Defaults(4)"), &in);
    EXPECT_EQ(focused, 1);
}

// The core selects text (after a message, or on focus); the same selection asked for twice
// must be applied twice, since the user may have moved the caret in between.
TEST(MainWindowEvents, SelectionAndFocusRequestsFromTheCore) {
    ViewRig rig;
    rig.window.show();
    QApplication::processEvents();
    auto* box = rig.widget<QLineEdit>("Defaults(3)");
    rig.form.Defaults(3).setText("10");
    rig.form.Defaults(3).selectAll();
    rig.form.Defaults(3).requestFocus();
    EXPECT_EQ(box->selectedText(), "10");

    box->setCursorPosition(1);
    ASSERT_FALSE(box->hasSelectedText());
    rig.form.Defaults(3).selectAll();
    rig.window.syncView();
    EXPECT_EQ(box->selectedText(), "10");
}

// A click into a default box selects its whole text, as Tab does: the press that brings the
// focus must not put the caret over the selection the program made.
TEST(MainWindowEvents, AMouseClickIntoADefaultSelectsItsWholeText) {
    ViewRig rig;
    rig.window.show();
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    auto* home = rig.widget<QLineEdit>("Defaults(14)");
    ASSERT_FALSE(home->text().isEmpty());
    QTest::mouseClick(home, Qt::LeftButton, {}, QPoint(home->width() / 2, home->height() / 2));
    ASSERT_TRUE(home->hasFocus());
    EXPECT_EQ(home->selectedText(), home->text());
    // Once in the box, a click places the caret as usual.
    QTest::mouseClick(home, Qt::LeftButton, {}, QPoint(4, home->height() / 2));
    EXPECT_FALSE(home->hasSelectedText());
}

TEST(MainWindowEvents, OptionButtonsAndListsReportTheUsersChoice) {
    ViewRig rig;
    rig.form.SIMTypeOption(0).setEnabled(true);
    rig.form.SIMTypeOption(1).setEnabled(true);
    auto* prepaid = rig.widget<QRadioButton>("SIMTypeOption(1)");
    prepaid->click();
    EXPECT_TRUE(rig.form.SIMTypeOption(1).value());
    EXPECT_FALSE(rig.form.SIMTypeOption(0).value());
    EXPECT_FALSE(rig.widget<QRadioButton>("SIMTypeOption(0)")->isChecked());

    // The program clears both: the widgets follow although Qt's groups refuse to.
    rig.form.SIMTypeOption(1).setValue(false);
    rig.window.syncView();
    EXPECT_FALSE(prepaid->isChecked());

    auto* channel = rig.widget<QComboBox>("RFChannel");
    int clicks = 0;
    rig.form.RFChannel.onClick = [&] { ++clicks; };
    rig.form.RFChannel.setListIndex(0);
    rig.window.syncView();
    clicks = 0;
    Key(channel, Qt::Key_Down);
    EXPECT_EQ(rig.form.RFChannel.listIndex(), 1);
    EXPECT_EQ(clicks, 1);
    rig.form.RFChannel.setListIndex(3);  // the program selects: the widget follows
    rig.window.syncView();
    EXPECT_EQ(channel->currentIndex(), 3);
    rig.form.RFChannel.setListIndex(-1);
    rig.window.syncView();
    EXPECT_EQ(channel->currentIndex(), -1);
}

// A screen reader's Toggle on an option button reaches the core once, as a click or a key
// does, and a list's choice once; the program's own changes never echo back.
TEST(MainWindowEvents, ScreenReaderActionsReachTheCoreOnceAndTheProgramsOwnChangesNever) {
    ViewRig rig;
    rig.program.SimTypeRead = 1;  // the logger has reported its SIM type: choices are marked
    std::array<int, 2> clicks{};
    for (int i = 0; i <= 1; ++i) {
        rig.form.SIMTypeOption(i).setEnabled(true);
        rig.form.SIMTypeOption(i).onClick = [&, i, run = rig.form.SIMTypeOption(i).onClick] { ++clicks[i]; run(); };
    }
    auto* contract = rig.widget<QRadioButton>("SIMTypeOption(0)");
    auto* prepaid = rig.widget<QRadioButton>("SIMTypeOption(1)");
    const auto toggle = [](QWidget* w) {
        QAccessibleActionInterface* a = QAccessible::queryAccessibleInterface(w)->actionInterface();
        ASSERT_TRUE(a->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        a->doAction(QAccessibleActionInterface::toggleAction());
    };

    toggle(prepaid);
    EXPECT_TRUE(rig.form.SIMTypeOption(1).value());
    EXPECT_FALSE(rig.form.SIMTypeOption(0).value());
    EXPECT_TRUE(rig.form.NetworkName.enabled());
    EXPECT_EQ(rig.form.SIMtypeFrame.foreColour(), kd::kRed);
    toggle(contract);
    EXPECT_TRUE(rig.form.SIMTypeOption(0).value());
    EXPECT_FALSE(rig.form.NetworkName.enabled());
    EXPECT_EQ(clicks, (std::array<int, 2>{1, 1}));
    prepaid->click();
    Key(contract, Qt::Key_Space, " ");
    EXPECT_EQ(clicks, (std::array<int, 2>{2, 2}));
    rig.form.SIMTypeOption(1).setValue(true);  // the program's choice: its handler runs once
    rig.window.syncView();
    EXPECT_TRUE(prepaid->isChecked());
    EXPECT_EQ(clicks, (std::array<int, 2>{2, 3}));

    auto* network = rig.widget<QComboBox>("NetworkName");
    int picks = 0;
    rig.form.NetworkName.onClick = [&, run = rig.form.NetworkName.onClick] { ++picks; run(); };
    rig.form.NetworkName.setListIndex(2);
    rig.window.syncView();
    Key(network, Qt::Key_Down);
    EXPECT_EQ(rig.form.NetworkName.listIndex(), 3);
    EXPECT_EQ(rig.program.NetworkIndex, 3);
    EXPECT_EQ(picks, 2);  // the program's selection, then the key's: each once

    // A screen reader may set a box's text outright, without a key press.
    QAccessible::queryAccessibleInterface(rig.widget<QLineEdit>("ModemParm(8)"))->editableTextInterface()->insertText(0, "apn");
    EXPECT_EQ(rig.form.ModemParm(8).text(), "apn");
    EXPECT_EQ(rig.form.ModemParm(8).foreColour(), kd::kRed);
}

TEST(MainWindowEvents, FrameCaptionColourLeavesItsControlsAlone) {
    ViewRig rig;
    auto* sim = rig.widget<kd::CaptionGroupBox>("SIMtypeFrame");
    rig.form.SIMtypeFrame.setForeColour(kd::kRed);
    rig.window.syncView();
    EXPECT_EQ(sim->titleColour(), QColor(Qt::red));
    EXPECT_NE(rig.widget<QWidget>("SIMTypeOption(0)")->palette().color(QPalette::WindowText), QColor(Qt::red));
    rig.form.SIMtypeFrame.setForeColour(kd::kBlack);
    rig.window.syncView();
    EXPECT_FALSE(sim->titleColour().isValid());

    // A disabled frame disables what it holds, and enabling it gives back their own state.
    rig.form.ModemFrame.setEnabled(false);
    EXPECT_FALSE(rig.widget<QWidget>("ModemParm(3)")->isEnabled());
    rig.form.ModemFrame.setEnabled(true);
    EXPECT_TRUE(rig.widget<QWidget>("ModemParm(3)")->isEnabled());
    EXPECT_FALSE(rig.widget<QWidget>("SIMTypeOption(0)")->isEnabled());

    // A control the program disables while its frame is disabled (New or Load Settings during
    // a scan) stays disabled when the frame comes back.
    rig.form.ScanCommand(1).setEnabled(true);
    rig.form.NWFrame.setEnabled(false);
    rig.window.syncView();
    rig.form.ScanCommand(1).setEnabled(false);
    rig.window.syncView();
    rig.form.NWFrame.setEnabled(true);
    EXPECT_FALSE(rig.button("ScanCommand(1)")->isEnabled());
}

// During a hub scan three frames take no input, yet the colours the program sets are drawn as
// set: a red change mark stays red and the scanned slot's "Scanning" blinks.
TEST(MainWindowEvents, ProgramColoursShowWhileAScanBlocksTheirFrames) {
    ViewRig rig;
    const auto redPixels = [](QWidget* w) {
        const QImage image = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        return n;
    };
    rig.form.ModemParm(3).setText("15");  // typed: marked red
    rig.form.ConnectButton.click();
    rig.form.NWDevIDBox(3).setText("1234");
    rig.form.ScanCommand(3).setEnabled(true);
    rig.form.ScanCommand(3).click();
    ASSERT_FALSE(rig.form.ModemFrame.enabled());
    auto* mark = rig.widget<QLineEdit>("ModemParm(3)");
    auto* status = rig.widget<QLabel>("StatText(3)");
    EXPECT_FALSE(mark->isEnabled());
    EXPECT_FALSE(status->isEnabled());
    EXPECT_GT(redPixels(mark), 0);

    std::array<bool, 4> red{};
    for (bool& r : red) {
        rig.clock.advance(250);
        rig.window.syncView();
        r = redPixels(status) > 0;
    }
    EXPECT_EQ(red[0], red[2]);
    EXPECT_EQ(red[1], red[3]);
    EXPECT_NE(red[0], red[1]);
    // A box the theme draws in its own colour still looks disabled.
    EXPECT_EQ(rig.widget<QWidget>("ModemParm(4)")->palette().color(QPalette::Disabled, QPalette::Text),
              QApplication::palette(mark).color(QPalette::Disabled, QPalette::Text));
}

TEST(MainWindowEvents, MenuCommandsGoThroughTheCoreAndItsDialogs) {
    ViewRig rig;
    rig.widget<QAction>("SetupComs")->trigger();
    EXPECT_EQ(rig.dialogs.comsBoxShown, 1);  // the port dialog through the Dialogs interface

    // The check mark is the program's: a refused change leaves it as it was.
    auto* defaults = rig.widget<QAction>("DefEdit");
    rig.form.DefEdit.onClick = [] {};
    defaults->trigger();
    EXPECT_FALSE(defaults->isChecked());
    rig.form.DefEdit.onClick = [&] { rig.form.DefEdit.setChecked(!rig.form.DefEdit.checked()); };
    defaults->trigger();
    EXPECT_TRUE(defaults->isChecked());

    rig.widget<QAction>("ExitButton")->trigger();
    EXPECT_EQ(rig.exit.exits, 1);
}

// The window's width follows the model: the hub panel shows only at the wide width, and the
// two lines under the menu bar end 125 twips short of the window's width.
TEST(MainWindowGeometry, ModelWidthResizesTheWindowAndMovesTheTopLines) {
    ViewRig rig;
    const kd::Scale s = kd::ScaleFor(&rig.window);
    auto* client = rig.window.centralWidget();
    auto* line1 = rig.widget<QWidget>("Line1");
    auto* line2 = rig.widget<QWidget>("Line2");
    auto* hub = rig.widget<QWidget>("NetworkFrame");

    rig.window.show();  // the first showing sizes the window: its resize handler runs
    rig.window.syncView();
    EXPECT_EQ(client->width(), s.twips(kd::kNarrowWidth - 90));
    EXPECT_EQ(client->height(), s.twips(kd::kClientHeight));
    EXPECT_EQ(rig.window.minimumSize(), rig.window.maximumSize());  // not resizable
    EXPECT_EQ(line1->geometry().right() + 1, s.twips(11770));
    EXPECT_TRUE(hub->isHidden());

    rig.form.setWidth(kd::kWideWidth);
    rig.window.syncView();
    EXPECT_EQ(client->width(), s.twips(kd::kClientWidth));
    EXPECT_EQ(rig.window.width(), client->width());
    EXPECT_EQ(rig.window.height(), client->height() + rig.window.menuBar()->sizeHint().height());
    EXPECT_EQ(line1->geometry().right() + 1, s.twips(14410));
    EXPECT_EQ(line2->geometry().right() + 1, s.twips(14410));
    EXPECT_GT(line2->y(), line1->y());
    EXPECT_FALSE(hub->isHidden());
    EXPECT_GE(hub->x(), s.twips(kd::kNarrowWidth - 90));  // wholly in the part only the wide width shows

    rig.form.setWidth(kd::kNarrowWidth);
    rig.window.syncView();
    EXPECT_EQ(line1->geometry().right() + 1, s.twips(11770));
    EXPECT_TRUE(hub->isHidden());
}

TEST(MainWindowGeometry, CaptionFollowsTheModel) {
    ViewRig rig;
    EXPECT_EQ(rig.window.windowTitle(), "KELDAMAR Utility Program Version 3.4");
    rig.form.setCaption(std::string("KELDAMAR Utility Program Version 3.4") + std::string(88, ' ') + "10:31:02");
    rig.window.syncView();
    EXPECT_TRUE(rig.window.windowTitle().endsWith("10:31:02"));
}

// The traffic panes: a growing text is appended, not laid out again; a cut text is replaced;
// the caret and the view follow the end as the core asks.
TEST(TrafficPanes, AppendWhenGrowingReplaceWhenCutCaretAtEnd) {
    ViewRig rig;
    auto* rx = rig.widget<QPlainTextEdit>("RXText");
    QTextDocument* doc = rx->document();
    std::string log = "+SNR: 12345\r\n";
    rig.form.RXText.setText(log);
    rig.window.syncView();
    EXPECT_EQ(rx->toPlainText(), "+SNR: 12345\n");

    std::vector<int> removed;
    QObject::connect(doc, &QTextDocument::contentsChange, doc, [&](int, int gone, int) { removed.push_back(gone); });
    log += "+LOAD: 1,2\r\n";
    rig.form.RXText.setText(log);
    rig.form.RXText.setSelection(static_cast<long>(log.size()), 1);
    rig.window.syncView();
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0], 0) << "nothing removed: appended";
    EXPECT_EQ(rx->toPlainText(), "+SNR: 12345\n+LOAD: 1,2\n");
    EXPECT_EQ(rx->textCursor().position(), rx->toPlainText().size());

    // A property change without a new text costs nothing.
    removed.clear();
    rig.form.RXText.setForeColour(kd::kWhite);
    rig.form.RXText.setEnabled(false);
    rig.form.RXText.setEnabled(true);
    rig.window.syncView();
    EXPECT_TRUE(removed.empty());

    // The log cut at its front: shown anew. A CR split from its LF across two refreshes
    // still makes one line break.
    rig.form.RXText.setText("AD: 1,2\r");
    rig.window.syncView();
    rig.form.RXText.setText("AD: 1,2\r\nOK\x01\r\n");
    rig.window.syncView();
    EXPECT_EQ(rx->toPlainText(), QString::fromUtf8("AD: 1,2\nOK\u2401\n"));

    // Panes keep black backgrounds with their own text colours.
    auto* tx = rig.widget<QPlainTextEdit>("TXText");
    EXPECT_EQ(tx->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(TextColour(tx), QColor(Qt::red));
    EXPECT_EQ(TextColour(rx), QColor(Qt::white));
    EXPECT_TRUE(tx->isReadOnly());
    EXPECT_EQ(tx->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST(TrafficPanes, LargeLogScrollsToItsEnd) {
    ViewRig rig;
    auto* rx = rig.widget<QPlainTextEdit>("RXText");
    rig.window.show();
    QApplication::processEvents();
    std::string log;
    for (int i = 0; i < 800; ++i) log += "+LOAD: " + std::to_string(i) + ",12\r\n";
    rig.form.RXText.setText(log);
    rig.form.RXText.setSelection(static_cast<long>(log.size()), 1);
    rig.window.syncView();
    QApplication::processEvents();
    EXPECT_EQ(rx->verticalScrollBar()->value(), rx->verticalScrollBar()->maximum());
    EXPECT_GT(rx->verticalScrollBar()->maximum(), 0);
}
