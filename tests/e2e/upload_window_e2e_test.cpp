// A technician's upload in the real window: key events on the real widgets, the QSerialPort
// adapter on the pseudo-terminal of a keldamar-sim process, Qt timers.
#include <gtest/gtest.h>

#include "live_window.h"

using namespace kdtest;

namespace {

TEST(UploadWindow, TypedValuesReachTheLoggerAndAStoppedUploadFinishesOnTheNextPress) {
    // The logger obeys AT+FTPINT= but leaves its first five answers unsent: the whole retry run.
    LiveWindow rig({QStringLiteral("--no-pacing"), QStringLiteral("--ignore"), QStringLiteral("AT+FTPINT=:5")});
    kd::Mainform& f = rig.form();
    ASSERT_TRUE(rig.connectAndLoad()) << rig.program->ReplyState << "\nTX " << f.TXText.text() << "\nRX "
                                      << rig.program->RxLog;
    ASSERT_EQ(f.ModemParm(3).text(), "30");

    rig.typeInto("ModemParm(14)", QStringLiteral("0831234000"));
    rig.typeInto("ModemParm(3)", QStringLiteral("15"));
    rig.typeInto("ModemParm(4)", QStringLiteral("240"));
    ASSERT_TRUE(rig.red("ModemParm(3)") && rig.red("ModemParm(4)") && rig.red("ModemParm(14)"));
    rig.click("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !rig.messages.empty(); }, kPatienceMs));
    EXPECT_EQ(rig.messages.at(0), "No Response from device");
    EXPECT_FALSE(rig.red("ModemParm(3)"));
    EXPECT_TRUE(rig.red("ModemParm(4)"));
    EXPECT_TRUE(rig.red("ModemParm(14)"));
    EXPECT_TRUE(rig.w<QAbstractButton>("Uploadbutton")->isEnabled());

    rig.click("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !f.Uploadbutton.enabled() && rig.program->ReplyState == 0; }, kPatienceMs));
    EXPECT_FALSE(rig.w<QAbstractButton>("Uploadbutton")->isEnabled());
    for (const char* box : {"ModemParm(3)", "ModemParm(4)", "ModemParm(14)"}) EXPECT_FALSE(rig.red(box)) << box;
    EXPECT_EQ(rig.messages.size(), 1u);

    // The logger kept what it was told: a fresh read shows the new values.
    for (int row : {3, 4, 14}) f.ModemParm(row).setText("");
    rig.click("LoadSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.readDone() && !f.ModemParm(14).text().empty(); }, kPatienceMs));
    EXPECT_EQ(rig.w<QLineEdit>("ModemParm(3)")->text(), "15");
    EXPECT_EQ(rig.w<QLineEdit>("ModemParm(4)")->text(), "240");
    EXPECT_EQ(rig.w<QLineEdit>("ModemParm(14)")->text(), "0831234000");
}

}  // namespace
