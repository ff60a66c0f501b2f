// The window catches up after the wire: every command of a read is written while the window
// still shows what it showed before, and one pass later it shows all of it, in order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "core/scripted_logger.h"
#include "view_rig.h"

using kdtest::ViewRig;

namespace {

kdtest::ScriptedLogger Hub() {
    kdtest::ScriptedLogger l = kdtest::ScriptedLogger::Plain();
    l.answers["AT+FW?"] = "+FW: V203.2";  // a hub: the window widens
    return l;
}

}  // namespace

TEST(ViewSync, CommandsLeaveBeforeTheWindowChangesAndItThenShowsThemInOrder) {
    ViewRig rig;
    kdtest::ScriptedLogger logger = Hub();
    logger.attach(rig.port, rig.program);
    rig.window.show();
    rig.button("ConnectButton")->click();
    auto* tx = rig.widget<QPlainTextEdit>("TXText");
    const int narrow = rig.window.width();

    // A logger that answers at once: the whole read runs before the event loop gets back.
    std::vector<QString> paneAtWrite;
    std::vector<int> widthAtWrite;
    auto answer = rig.port.onCommand;
    rig.port.onCommand = [&](const std::string& c) {
        paneAtWrite.push_back(tx->toPlainText());
        widthAtWrite.push_back(rig.window.width());
        answer(c);
    };
    rig.button("LoadSettings")->click();
    logger.pump(rig.port);
    ASSERT_EQ(rig.port.commands.size(), 21u);
    EXPECT_EQ(rig.port.commands.back(), "AT+EVENT=9");
    for (size_t i = 0; i < paneAtWrite.size(); ++i) {
        SCOPED_TRACE(rig.port.commands[i]);
        EXPECT_EQ(paneAtWrite[i], "") << "the pane changed before the command left";
        EXPECT_EQ(widthAtWrite[i], narrow) << "the window widened before the command left";
    }

    // The next pass of the event loop shows it all.
    QElapsedTimer waited;
    waited.start();
    while (tx->toPlainText().isEmpty() && waited.elapsed() < 60000) QApplication::processEvents();
    QString sent;
    for (const std::string& c : rig.port.commands) sent += QString::fromLatin1(c.c_str()) + '\n';
    EXPECT_EQ(tx->toPlainText(), sent);
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(0)")->text(), "12345");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(7)")->text(), "V203.2");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemStat(7)")->text(), "17");
    EXPECT_EQ(rig.widget<QLabel>("Product")->text(), "KELDAMAR HUB");
    EXPECT_GT(rig.window.width(), narrow);
    EXPECT_FALSE(rig.widget<QWidget>("NetworkFrame")->isHidden());
}

// A window that waits while an answer is due still shows the changes once the wait is over,
// and never waits past its bound.
TEST(ViewSync, HeldViewCatchesUpWithinItsBound) {
    ViewRig rig;
    rig.window.setViewHold([] { return std::chrono::nanoseconds(std::chrono::hours(1)); });
    rig.window.show();
    rig.button("ConnectButton")->click();  // syncs: the window shows "Disconnect"
    auto* status = qobject_cast<QLineEdit*>(rig.window.findControl("StatusBox(0)"));
    rig.form.StatusBox(0).setText("Scanning... 35");
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "") << "held while an answer is due";
    QElapsedTimer waited;
    waited.start();
    while (status->text().isEmpty() && waited.elapsed() < 60000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(status->text(), "Scanning... 35");
}

// A click that comes while the window still waits to show a change lands on the window as the
// program has it: a button the program has just disabled does not fire.
TEST(ViewSync, AClickFirstBringsTheWindowUpToDate) {
    ViewRig rig;
    rig.window.setViewHold([] { return std::chrono::nanoseconds(std::chrono::hours(1)); });
    rig.window.show();
    rig.button("ConnectButton")->click();
    QAbstractButton* load = rig.button("LoadSettings");
    ASSERT_TRUE(load->isEnabled());
    rig.form.LoadSettings.setEnabled(false);
    QApplication::processEvents();
    ASSERT_TRUE(load->isEnabled()) << "held while an answer is due";
    const QPointF at(load->rect().center());
    QMouseEvent press(QEvent::MouseButtonPress, at, load->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, load->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(load, &press);
    QApplication::sendEvent(load, &release);
    EXPECT_FALSE(load->isEnabled());
    EXPECT_TRUE(rig.port.commands.empty());
}
