// The view tests need a QApplication; the same binary can also show or grab the window at
// either width for screenshots (--show narrow|wide, --grab FILE narrow|wide).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <cstring>
#include <string>

#include "view_rig.h"

namespace kdtest {

void ViewRig::fillSample() {
    const int16_t state = program.ReplyState;
    program.ReplyState = 1;  // as during a read: nothing is marked as changed
    kd::Mainform& f = form;
    const char* parms[15] = {"12345", "1523", "12", "15", "60", "0821234567", "0831234567", "V2.03.4",
                             "internet", "guest", "guest", "ftp.example.net", "logger", "secret", "0829876543"};
    for (int i = 0; i <= 14; ++i) f.ModemParm(i).setText(parms[i]);
    f.Defaults(5).setText("8927000000012345678");
    const char* stats[9] = {"3", "12", "300", "24/05/12,10:31:02", "Modem ON", "3.61", "GSM ONline", "1024", "23%"};
    for (int i = 0; i <= 8; ++i) f.ModemStat(i).setText(stats[i]);
    f.AirTime.setText("R 12.50");
    f.Product.setCaption("KELDAMAR HUB");
    f.IDtext.setCaption("SelfLog");
    for (int k = 0; k <= 5; ++k) {
        f.Moisture(k).setText(k == 5 ? "" : "87.4120");
        f.Temperature(k).setText(k == 5 ? "" : "21.4");
    }
    f.DateBox.setText("15 Mar 2012");
    f.TimeBox.setText("14h30");
    f.RSSIBox.setText("31");
    f.StartLog.setCaption(" 1000");
    f.Endlog.setCaption(" 1000");
    f.LogBox.setText("1524");
    f.TXText.setText("AT+SNR?\r\nAT+LOAD?\r\nAT+LOGINT?\r\nAT+FTPINT?\r\n");
    f.RXText.setText("+SNR: 12345\r\n+LOAD: 1523,12\r\n+LOGINT: 15\r\n+FTPINT: 60\r\n");
    f.StatusBox(0).setText("Scanning... 35");
    const char* ids[8] = {"12345", "2001", "2002", "65500", "", "", "", ""};
    const char* results[8] = {"12/85%", "Type Fault", "Resp. flt", "Scanning", "", "", "", ""};
    for (int i = 0; i <= 7; ++i) {
        f.NWDevIDBox(i).setText(ids[i]);
        f.StatText(i).setCaption(results[i]);
    }
    f.RFChannel.setListIndex(2);
    f.setWidth(kd::kWideWidth);
    program.ReplyState = state;
    window.syncView();
}

}  // namespace kdtest

int main(int argc, char** argv) {
    const bool show = argc >= 3 && std::strcmp(argv[1], "--show") == 0;
    const bool grab = argc >= 4 && std::strcmp(argv[1], "--grab") == 0;
    // Tests (and their listing at build time) need no display; showing the window does.
    if (!show && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (show || grab) {
        const std::string width = argv[grab ? 3 : 2];
        kdtest::ViewRig rig;
        if (width == "wide") rig.fillSample();
        rig.window.show();
        if (!grab) return app.exec();
        QApplication::processEvents();
        return rig.window.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
