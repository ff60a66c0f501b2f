// A fleet profile in the real window: File > Load through the file dialog, the "Confirm
// upload" preview, the upload to a keldamar-sim process that keeps one value old, and the
// message naming that value.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QPushButton>
#include <QTableWidget>

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

    // The technician's hands in the modal dialogs: picks the file, reads the preview, uploads.
    QStringList preview;
    QTimer hands;
    hands.setInterval(20);
    QObject::connect(&hands, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* pick = qobject_cast<QFileDialog*>(modal)) {
            pick->selectFile(QString::fromStdString(file.string()));
            static_cast<QDialog*>(pick)->accept();  // as the Open button does
        } else if (modal && modal->objectName() == QLatin1String("UploadPreview")) {
            auto* table = modal->findChild<QTableWidget*>();
            for (int r = 0; r < table->rowCount(); ++r)
                preview << table->item(r, 0)->text() + "|" + table->item(r, 1)->text() + "|" + table->item(r, 2)->text();
            QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("UploadPreviewUpload")), Qt::LeftButton);
        }
    });
    hands.start();

    rig.w<QAction>("LoadButton")->trigger();
    EXPECT_EQ(f.StatusBox(0).text(), "Profile fleet-north loaded: 7 values changed");
    for (const char* box : {"ModemParm(3)", "ModemParm(4)", "ModemParm(8)", "ModemParm(10)", "ModemParm(14)"})
        EXPECT_TRUE(rig.red(box)) << box;
    EXPECT_FALSE(rig.red("ModemParm(11)"));  // the same server stays black

    rig.click("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !rig.messages.empty(); }, 15000)) << f.TXText.text();
    const QString dots(7, QChar(0x2022));
    EXPECT_EQ(preview, (QStringList{"Logging Int|30|15", "Download Int|120|240", "APN Name|internet|fleet.apn",
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

    // A fresh read shows what the logger holds now: the profile, but the old home number.
    rig.click("LoadSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.readDone() && f.ModemParm(14).text() != "0831234000"; }, 10000));
    const std::pair<const char*, const char*> held[] = {{"ModemParm(3)", "15"},         {"ModemParm(4)", "240"},
                                                        {"ModemParm(8)", "fleet.apn"},  {"ModemParm(9)", "fleetuser"},
                                                        {"ModemParm(10)", "fleetpw"},   {"ModemParm(14)", "27831234567"}};
    for (const auto& [box, text] : held) EXPECT_EQ(rig.w<QLineEdit>(box)->text(), text) << box;
    EXPECT_EQ(f.NetworkName.listIndex(), 1);
}

}  // namespace
