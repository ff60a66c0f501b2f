// A fleet profile in the real window: File > Load with the file the technician picks, the
// "Confirm upload" preview, the upload to a keldamar-sim process that keeps one value old, and the
// message naming that value.
#include <gtest/gtest.h>

#include <QAction>

#include "live_window.h"

using namespace kdtest;

namespace {

TEST(ProfileWindow, ALoadedProfileIsPreviewedUploadedAndWhatTheLoggerKeptOldIsNamed) {
    LiveWindow rig({QStringLiteral("--no-pacing"), QStringLiteral("--model"), QStringLiteral("simtype"),
                    QStringLiteral("--keep-old"), QStringLiteral("AT+HOMENUM=")});
    kd::Mainform& f = rig.form();
    ASSERT_TRUE(rig.connectAndLoad()) << "TX " << f.TXText.text() << "\nRX " << rig.program->RxLog;
    const std::filesystem::path file = rig.dir / "fleet-north.kdprofile";
    std::ofstream(file, std::ios::binary)
        << "[PROFILE]\r\nLogint=15\r\nFTPint=240\r\nAPNname=fleet.apn\r\nAPNun=fleetuser\r\nAPNpw=fleetpw\r\n"
           "FTPname=ftp.example.com\r\nHome=0831234000\r\nSimType=1\r\nNetwork=1\r\n";

    // The technician picks the file, reads the preview and uploads.
    rig.dialogs.openFile = file.string();

    rig.w<QAction>("LoadButton")->trigger();
    ASSERT_EQ(rig.dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(rig.dialogs.fileDialogs[0].rfind("open ", 0), 0u);
    EXPECT_EQ(f.StatusBox(0).text(), "Profile fleet-north loaded: 7 values changed");
    for (const char* box : {"ModemParm(3)", "ModemParm(4)", "ModemParm(8)", "ModemParm(10)", "ModemParm(14)"})
        EXPECT_TRUE(rig.red(box)) << box;
    EXPECT_FALSE(rig.red("ModemParm(11)"));  // the same server stays black

    rig.click("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !rig.messages.empty(); }, kPatienceMs)) << f.TXText.text();
    const QString dots(7, QChar(0x2022));
    ASSERT_EQ(rig.dialogs.previews.size(), 1u);
    EXPECT_EQ(rig.dialogs.previews[0], (QStringList{"Logging Int|30|15", "Download Int|120|240", "APN Name|internet|fleet.apn",
                                    "APN User Name|guest|fleetuser", "APN Password|" + QString(5, QChar(0x2022)) + "|" + dots,
                                    "Home No|27831234567|0831234000",
                                    "SIM Card Type|Prepaid RSA Only, Cell-C|Prepaid RSA Only, MTN"}));
    EXPECT_EQ(rig.messages, std::vector<std::string>{
                                "The logger did not keep every value:\nHome No: sent 0831234000, logger holds 27831234567"});
    EXPECT_EQ(f.StatusBox(0).text(), "Upload complete: 6 values confirmed by the logger");
    EXPECT_TRUE(rig.red("ModemParm(14)"));
    EXPECT_EQ(rig.w<QLineEdit>("ModemParm(14)")->text(), "0831234000");
    EXPECT_FALSE(rig.red("ModemParm(3)"));
    EXPECT_TRUE(rig.w<QAbstractButton>("Uploadbutton")->isEnabled());
    EXPECT_TRUE(rig.dialogs.otherDialogs.empty());

    // What the logger holds now, as its answers said it: the profile, but the old home number.
    for (const char* answer : {"+LOGINT: 15\\r\\n", "+FTPINT: 240\\r\\n", "+APNCON: fleet.apn,fleetuser,fleetpw\\r\\n",
                               "+HOMENUM: 27831234567\\r\\n", "+SIMTYPE: 1,1\\r\\n"})
        EXPECT_NE(rig.simSent().find(answer), std::string::npos) << answer;
}

}  // namespace
