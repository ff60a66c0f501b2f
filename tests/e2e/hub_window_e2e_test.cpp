// The hub panel, the log panel and the status buttons through the real window's widgets,
// against `keldamar-sim --model hub` on its pseudo-terminal. One test per flow.
#include <gtest/gtest.h>

#include <QLabel>

#include "logger_state.h"
#include "live_window.h"

using namespace kdtest;

namespace {

const QStringList kHub = {"--model", "hub", "--records", "12"};

TEST(HubWindow, EditRefusesAnOutOfRangeIdThenUploadsTheTable) {
    LiveWindow rig(kHub);
    ASSERT_TRUE(rig.connectAndLoad());
    rig.click("EditNW");
    rig.typeInto("NWDevIDBox(2)", "65501");
    rig.click("EditNW");
    ASSERT_TRUE(PumpUntil([&] { return !rig.messages.empty(); }, kPatienceMs));
    EXPECT_EQ(rig.messages[0], "Device ID is out of range!");
    auto* box2 = rig.w<QLineEdit>("NWDevIDBox(2)");
    // The offscreen platform has no window manager to hand activation back after the box.
    rig.window->activateWindow();
    EXPECT_TRUE(PumpUntil([&] { return box2->hasFocus(); }, kPatienceMs));
    EXPECT_EQ(box2->selectedText(), QStringLiteral("65501"));
    EXPECT_TRUE(rig.w<QLineEdit>("NWDevIDBox(1)")->isReadOnly());
    EXPECT_FALSE(box2->isReadOnly());
    EXPECT_EQ(rig.w<QAbstractButton>("EditNW")->text(), QStringLiteral("OK"));

    QTest::keyClicks(box2, "30002");  // types over the selection
    rig.click("EditNW");
    EXPECT_EQ(rig.w<QAbstractButton>("EditNW")->text(), QStringLiteral("Edit"));
    EXPECT_EQ(rig.form().NWDevIDBox(2).foreColour(), kd::kRed);
    ASSERT_TRUE(rig.w<QAbstractButton>("Uploadbutton")->isEnabled());
    rig.click("Uploadbutton");
    EXPECT_TRUE(PumpUntil([&] { return rig.simSent().find("+PTABLE: 12345,1201,30002,0,1204,0,0,0") != std::string::npos; }, kPatienceMs));
    EXPECT_TRUE(PumpUntil([&] { return rig.form().NWDevIDBox(2).foreColour() == kd::kBlack; }, kPatienceMs));
    EXPECT_EQ(box2->text(), QStringLiteral("30002"));
}

TEST(HubWindow, ScanShowsTheDevicesFiguresInRed) {
    LiveWindow rig(kHub);
    ASSERT_TRUE(rig.connectAndLoad());
    rig.click("ScanCommand(1)");
    auto* status = rig.w<QLabel>("StatText(1)");
    EXPECT_EQ(rig.w<QLineEdit>("StatusBox(0)")->text(), QStringLiteral("Scanning... 35"));
    EXPECT_FALSE(rig.w("NWFrame")->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return status->text() == QStringLiteral("12/85%"); }, kPatienceMs)) << status->text().toStdString();
    EXPECT_EQ(status->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(rig.w("NWFrame")->isEnabled());
    EXPECT_EQ(rig.w<QLineEdit>("StatusBox(0)")->text(), QString());
}

TEST(HubWindow, FetchesThreeRecordsByNumberAndPagesThroughThem) {
    LiveWindow rig(kHub);
    ASSERT_TRUE(rig.connectAndLoad());
    const kdsim::LoggerState s = kdsim::makePreset(kdsim::Model::Hub, 12);
    const auto timeOf = [&](int n) {
        const std::string stamp = kdsim::makeRecord(s, n).stamp;
        return QString::fromStdString(stamp.substr(6, 2) + "h" + stamp.substr(8, 2));
    };
    rig.typeInto("LogBox", "3");
    for (int n = 3; n <= 5; ++n) {
        const int before = rig.program->LogRecordCount;
        if (n < 5)
            rig.click("FetchLog");
        else
            QTest::keyClick(rig.w("LogBox"), Qt::Key_Return);  // Enter fetches what the box holds
        ASSERT_TRUE(PumpUntil([&] { return rig.program->LogRecordCount == before + 1; }, kPatienceMs)) << n;
        EXPECT_EQ(rig.w<QLineEdit>("TimeBox")->text(), timeOf(n));
    }
    EXPECT_EQ(rig.w<QLineEdit>("LogBox")->text(), QStringLiteral("5"));
    EXPECT_EQ(rig.w<QLabel>("Endlog")->text().trimmed(), QStringLiteral("4"));
    rig.click("Prevlog");
    rig.click("Prevlog");
    EXPECT_EQ(rig.w<QLineEdit>("TimeBox")->text(), timeOf(3));
    EXPECT_EQ(rig.w<QLabel>("StartLog")->text().trimmed(), QStringLiteral("2"));
    rig.click("Nextlog");
    rig.click("Nextlog");
    rig.click("Nextlog");  // past the last entry: the first, the newest record of the read
    EXPECT_EQ(rig.w<QLineEdit>("TimeBox")->text(), timeOf(11));
    EXPECT_TRUE(rig.messages.empty());
}

TEST(HubWindow, ClearsTheWatchdogSetsTheClockAndReadsThemBack) {
    LiveWindow rig(kHub);
    ASSERT_TRUE(rig.connectAndLoad());
    auto* watchdog = rig.w<QLineEdit>("ModemStat(0)");
    ASSERT_EQ(watchdog->text(), QStringLiteral("3"));
    rig.click("ClearWDT");
    ASSERT_TRUE(PumpUntil([&] { return watchdog->text() == QStringLiteral("0"); }, kPatienceMs));

    rig.wall.now = std::tm{};
    rig.wall.now.tm_year = 113;
    rig.wall.now.tm_mon = 3;
    rig.wall.now.tm_mday = 16;
    rig.wall.now.tm_hour = 9;
    rig.wall.now.tm_min = 8;
    rig.wall.now.tm_sec = 7;
    rig.click("SetTimeDate");
    auto* clock = rig.w<QLineEdit>("ModemStat(3)");
    ASSERT_TRUE(PumpUntil([&] { return clock->text().startsWith(QStringLiteral("13/04/16,09:08")); }, kPatienceMs))
        << clock->text().toStdString();

    rig.form().ModemStat(3).setText("");
    rig.form().ModemStat(0).setText("");
    const int records = rig.program->LogRecordCount;
    rig.click("RefreshStat");
    ASSERT_TRUE(PumpUntil([&] { return rig.program->ReplyState == 0 && rig.program->LogRecordCount == records + 1; }, kPatienceMs));
    EXPECT_TRUE(clock->text().startsWith(QStringLiteral("13/04/16,09:08"))) << clock->text().toStdString();
    EXPECT_EQ(watchdog->text(), QStringLiteral("0"));
    EXPECT_TRUE(rig.messages.empty());
}

}  // namespace
