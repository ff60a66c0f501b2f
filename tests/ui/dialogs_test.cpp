// The port dialog and message boxes on Qt, and the Qt timer driver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "link/coms_box.h"
#include "link/port.h"
#include "platform/qt_timer_driver.h"
#include "ui/coms_box_dialog.h"
#include "ui/qt_dialogs.h"
#include "view_rig.h"

using kdtest::ViewRig;

namespace {

// Runs the event loop until the condition holds or the time is up; the bound is far beyond
// what a loaded machine needs, the wait ends as soon as the condition holds.
bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The Qt dialogs with the test's hands in place of the modal loop: the dialog is shown as
// exec() shows it, the hands act on it at once, and its result is the answer. Nothing waits
// for a modal window to appear.
class HandsDialogs : public kd::QtDialogs {
public:
    using kd::QtDialogs::QtDialogs;
    std::function<void(QDialog&)> hands;

protected:
    int runModal(QDialog& dialog) override {
        dialog.show();
        if (hands) hands(dialog);
        if (dialog.isVisible()) dialog.reject();  // hands that forgot to answer cancel
        return dialog.result();
    }
};

QPushButton* ButtonNamed(QWidget* dialog, const char* name) { return dialog->findChild<QPushButton*>(name); }

}  // namespace

// The dialog shows what the model's logic does: searching first, then the list, the device
// beside the chosen entry, the operator's typing; the close box goes through the model.
TEST(PortDialog, MirrorsTheSearchAndReportsChoicesToTheModel) {
    ViewRig rig;
    rig.program.PortNumber = 3;
    kd::ComsBox box;
    kd::WireComsBox(rig.program, box);
    box.DisplayTimer.attach(&rig.clock);
    kd::ComsBoxDialog dialog(box, &rig.window);

    EXPECT_EQ(dialog.windowTitle(), "COM Port Selection");
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    auto* combo = dialog.findChild<QComboBox*>("ComsCombo");
    auto* searching = dialog.findChild<QLabel*>("SearchText");
    auto* info = dialog.findChild<QLabel*>("DeviceInfo");
    ASSERT_TRUE(combo && searching && info);
    EXPECT_FALSE(searching->isHidden());
    EXPECT_TRUE(combo->isHidden());
    EXPECT_TRUE(ButtonNamed(&dialog, "TestComs")->isHidden());

    rig.clock.advance(500);  // the search
    EXPECT_TRUE(searching->isHidden());
    EXPECT_FALSE(combo->isHidden());
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(2), "COM 3");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(info->text(), "/dev/fake3 - Fake UART");

    // A choice from the drop-down list.
    combo->setCurrentIndex(3);
    emit combo->activated(3);
    EXPECT_EQ(box.ComsCombo.listIndex(), 3);
    EXPECT_EQ(info->text(), "/dev/fake4 - Fake UART");

    combo->lineEdit()->selectAll();
    combo->lineEdit()->insert("COM 12");
    EXPECT_EQ(box.ComsCombo.text(), "COM 12");

    ButtonNamed(&dialog, "TestComs")->click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "Port not available!");

    dialog.show();
    dialog.close();  // the close box: the model unloads, then the dialog goes
    EXPECT_TRUE(box.closed());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(rig.program.PortNumber, 3);
}

TEST(PortDialog, EscapeActsAsTheCloseBox) {
    kd::ComsBox box;
    int closeBox = 0;
    box.onCloseBox = [&] { ++closeBox; box.unload(); };
    kd::ComsBoxDialog dialog(box, nullptr);
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_EQ(closeBox, 1);
    EXPECT_TRUE(box.closed());
}

// The real modal dialog returns when the model unloads it, and its timer is stopped and
// forgotten: the box dies right after, and a late tick would reach a dead object.
TEST(PortDialog, ModalRunEndsOnUnloadAndLeavesNoTimerBehind) {
    ViewRig rig;
    kd::QtTimerDriver timers;
    HandsDialogs dialogs(&timers);
    auto box = std::make_unique<kd::ComsBox>();
    kd::WireComsBox(rig.program, *box);
    box->DisplayTimer.attach(&timers);
    ASSERT_TRUE(timers.isRunning(box->DisplayTimer));

    dialogs.hands = [](QDialog& modal) { ButtonNamed(&modal, "CancelButton")->click(); };
    dialogs.runComsBox(*box);  // cancelled before the search tick
    EXPECT_TRUE(box->closed());
    EXPECT_FALSE(timers.isRunning(box->DisplayTimer));
    box->DisplayTimer.attach(nullptr);
    box.reset();
    QEventLoop idle;
    QTimer::singleShot(700, &idle, &QEventLoop::quit);
    idle.exec();  // past the 500 ms the search timer had: nothing fires
}

TEST(PortDialog, ModalRunShowsTheSearchResult) {
    ViewRig rig;
    kd::QtTimerDriver timers;
    HandsDialogs dialogs(&timers);
    kd::ComsBox box;
    kd::WireComsBox(rig.program, box);
    box.DisplayTimer.attach(&timers);
    int entries = -1;
    dialogs.hands = [&](QDialog& modal) {
        auto* combo = modal.findChild<QComboBox*>("ComsCombo");
        ASSERT_TRUE(WaitFor([&] { return !combo->isHidden(); }));
        entries = combo->count();
        ButtonNamed(&modal, "OKButton")->click();
    };
    dialogs.runComsBox(box);
    box.DisplayTimer.attach(nullptr);
    EXPECT_EQ(entries, 4);
    EXPECT_TRUE(box.closed());
    EXPECT_EQ(rig.program.PortNumber, 1);
}

// Exact texts, title, icon and buttons, the system's reason as details, and the answer.
TEST(MessageBoxes, ShowExactlyWhatTheCoreAsksAndReturnTheAnswer) {
    HandsDialogs dialogs;
    QString text, title, detail;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    dialogs.hands = [&](QDialog& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        detail = box->detailedText();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Retry)->click();
    };
    const kd::MsgAnswer answer = dialogs.messageBox("Coms Port not available!", "Warning", kd::MsgIcon::Critical,
                                                    kd::MsgButtons::RetryCancel, "/dev/ttyS0: Permission denied");
    EXPECT_EQ(answer, kd::MsgAnswer::Retry);
    EXPECT_EQ(text, "Coms Port not available!");
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, QMessageBox::Retry | QMessageBox::Cancel);
    EXPECT_EQ(detail, "/dev/ttyS0: Permission denied");

    dialogs.hands = [](QDialog& modal) { modal.close(); };  // the close box means Cancel
    EXPECT_EQ(dialogs.messageBox("Coms Port not available!", "Warning", kd::MsgIcon::Critical,
                                 kd::MsgButtons::RetryCancel),
              kd::MsgAnswer::Cancel);

    dialogs.hands = [&](QDialog& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        icon = box->icon();
        buttons = box->standardButtons();
        detail = box->detailedText();
        box->button(QMessageBox::Ok)->click();
    };
    EXPECT_EQ(dialogs.messageBox("Log Interval out of range!", "Message", kd::MsgIcon::Information, kd::MsgButtons::Ok),
              kd::MsgAnswer::Ok);
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_TRUE(detail.isEmpty());

    EXPECT_EQ(dialogs.messageBox("Could not write x.png.", "Save Image", kd::MsgIcon::Warning, kd::MsgButtons::Ok),
              kd::MsgAnswer::Ok);
    EXPECT_EQ(icon, QMessageBox::Warning);
}

// Each file dialog opens where it was asked, with its title, filter and suggested name, and
// gives the file chosen as the system spells its name; a cancelled dialog gives "".
TEST(FileDialogs, OpenWhereAskedAndGiveTheChosenFileAsTheSystemSpellsIt) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Документы"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string folderBytes = QFile::encodeName(folder).toStdString();
    const QString picked = QDir(folder).filePath(QStringLiteral("отчёт-север.kdprofile"));

    struct Case {
        const char* what;
        std::function<std::string(kd::Dialogs&)> ask;
        QString title, shownName;
        QFileDialog::AcceptMode mode;
        QString filter;
    };
    const Case cases[] = {
        {"profile save", [&](kd::Dialogs& d) { return d.profileToSave(folderBytes, "north.kdprofile"); },
         "Save Profile", "north.kdprofile", QFileDialog::AcceptSave, "Logger profiles (*.kdprofile)"},
        {"profile open", [&](kd::Dialogs& d) { return d.profileToOpen(folderBytes); }, "Load Profile", "",
         QFileDialog::AcceptOpen, "Logger profiles (*.kdprofile)"},
        {"export", [&](kd::Dialogs& d) { return d.fileToSave("Export Records", folderBytes + "/records-1.csv", "CSV files (*.csv)"); },
         "Export Records", "records-1.csv", QFileDialog::AcceptSave, "CSV files (*.csv)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HandsDialogs dialogs;
        QString title, shownIn, shownName, filter;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        dialogs.hands = [&](QDialog& modal) {
            auto* pick = qobject_cast<QFileDialog*>(&modal);
            ASSERT_NE(pick, nullptr);
            title = pick->windowTitle();
            shownIn = pick->directory().absolutePath();
            const QStringList selected = pick->selectedFiles();
            shownName = selected.isEmpty() ? QString() : QFileInfo(selected.constFirst()).fileName();
            filter = pick->nameFilters().value(0);
            mode = pick->acceptMode();
            pick->selectFile(picked);
            modal.QDialog::accept();  // as the dialog's button does once it has checked the name
        };
        EXPECT_EQ(c.ask(dialogs), QFile::encodeName(picked).toStdString());
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(shownIn, folder);
        EXPECT_EQ(shownName, c.shownName);
        EXPECT_EQ(filter, c.filter);
        EXPECT_EQ(mode, c.mode);

        dialogs.hands = [](QDialog& modal) { modal.reject(); };
        EXPECT_EQ(c.ask(dialogs), "");
    }
}

TEST(QtTimerDriver, RunsStopsRestartsAndForgetsTimers) {
    kd::QtTimerDriver driver;
    kd::Timer t("t", 20, false);
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.attach(&driver);
    EXPECT_FALSE(driver.isRunning(t));
    t.setEnabled(true);
    EXPECT_EQ(driver.runningInterval(t), 20);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
    t.setEnabled(false);
    const int stopped = ticks;
    QEventLoop idle;
    QTimer::singleShot(80, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_EQ(ticks, stopped);

    t.setEnabled(true);
    t.setInterval(250);  // a new interval restarts the period
    EXPECT_EQ(driver.runningInterval(t), 250);
    t.setInterval(0);  // no interval: no ticks
    EXPECT_FALSE(driver.isRunning(t));
    driver.timerGone(t);
    EXPECT_FALSE(driver.isRunning(t));
    t.attach(nullptr);
}

// A handler that runs a modal loop must not be entered again by its own timer, while other
// timers go on ticking.
TEST(QtTimerDriver, AHandlerInAModalLoopIsNotReentered) {
    kd::QtTimerDriver driver;
    kd::Timer slow("slow", 10, true);
    kd::Timer other("other", 10, true);
    int depth = 0, deepest = 0, slowTicks = 0, otherTicksInModal = 0;
    QEventLoop* modal = nullptr;
    slow.onTimer = [&] {
        ++slowTicks;
        deepest = std::max(deepest, ++depth);
        if (slowTicks == 1) {
            // The modal loop lasts until the other timer has ticked three times in it: as many
            // chances for the slow one to come back in, however slowly the machine runs.
            QEventLoop loop;
            modal = &loop;
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);  // a bound, never reached
            loop.exec();
            modal = nullptr;
        }
        --depth;
    };
    other.onTimer = [&] {
        if (modal && ++otherTicksInModal == 3) modal->quit();
    };
    slow.attach(&driver);
    other.attach(&driver);
    EXPECT_TRUE(WaitFor([&] { return slowTicks >= 2; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(otherTicksInModal, 3);
    slow.attach(nullptr);
    other.attach(nullptr);
    driver.timerGone(slow);
    driver.timerGone(other);
}
