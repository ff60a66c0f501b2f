// Start-up, New, Clear, Exit, and connecting and disconnecting.
#include <gtest/gtest.h>

#include "fakes.h"
#include "link/engine.h"
#include "settings/settings_file.h"

using namespace kd;
using namespace kdtest;

namespace {

TEST(Startup, UsableSettingsOpenTheWindowWithoutTheDialog) {
    Rig rig(std::string(kUsableIni) + "Logint=15\r\nCust1=AT+FW?\r\n");
    rig.form.setCaption("KELDAMAR Utility Program Version 3.4");
    Form_Load(rig.program);
    EXPECT_EQ(rig.program.BaseCaption, "KELDAMAR Utility Program Version 3.4");
    EXPECT_EQ(rig.dialogs.comsBoxShown, 0);
    EXPECT_EQ(rig.form.width(), kNarrowWidth);
    EXPECT_EQ(rig.form.Line1.x2, kNarrowWidth - 125);
    EXPECT_EQ(rig.port.commPort(), 1);   // configured ...
    EXPECT_FALSE(rig.port.isOpen());     // ... but not opened
    EXPECT_EQ(rig.form.Defaults(3).text(), "15");
    EXPECT_EQ(rig.form.Defaults(14).text(), kDefaultHomeNumber);
    EXPECT_EQ(rig.form.CustomCMD(0).text(), "AT+FW?");
    EXPECT_TRUE(rig.form.SIMTypeOption(0).value());
    EXPECT_FALSE(rig.form.SIMTypeOption(0).enabled());
    EXPECT_FALSE(rig.form.NetworkName.enabled());
    EXPECT_EQ(rig.form.ModemParm(3).foreColour(), kBlack);
    EXPECT_FALSE(rig.form.Uploadbutton.enabled());
    EXPECT_EQ(rig.form.ConStat.caption(), "Disconnected");
    EXPECT_FALSE(rig.form.Connected.visible());
    EXPECT_TRUE(rig.form.Disconnected.visible());
    EXPECT_FALSE(rig.form.LoadSettings.enabled());
}

TEST(Startup, FirstStartShowsThePortDialogBeforeConfiguringThePort) {
    Rig rig;
    rig.port.usable = {5};
    std::vector<std::string> order;
    rig.dialogs.comsBoxScript = [&](ComsBox& box) {
        order.push_back("dialog");
        EXPECT_EQ(rig.program.PortSetupNeeded, 1);
        EXPECT_EQ(rig.form.Defaults(3).text(), "30");  // defaults were shown before
        rig.clock.advance(500);
        box.ComsCombo.setListIndex(0);
        box.OKButton.click();
    };
    Form_Load(rig.program);
    EXPECT_EQ(order, std::vector<std::string>{"dialog"});
    EXPECT_EQ(rig.program.PortSetupNeeded, 0);
    EXPECT_EQ(rig.program.PortNumber, 5);
    EXPECT_EQ(rig.port.commPort(), 5);
    EXPECT_EQ(rig.ini.read("DEFAULT", "Comport"), "5");
    EXPECT_EQ(rig.ini.read("DEFAULT", "Baudrate"), "9600");
}

TEST(Startup, NewWhileAHubIsShownResetsExactlyTheDisplay) {
    Rig rig(kUsableIni);
    Program& p = rig.program;
    Mainform& f = rig.form;
    Form_Load(p);
    f.setWidth(kWideWidth);
    p.ReplyState = 7;  // as during a read, so filling marks nothing
    for (int i = 0; i <= 14; ++i) f.ModemParm(i).setText("v" + std::to_string(i));
    p.ReplyState = 0;
    f.ModemParm(3).setForeColour(kRed);
    f.Defaults(5).setText("8927");
    f.Defaults(8).setText("apn");
    f.CustomCMD(1).setText("AT+X");
    f.TXText.setText("AT+SNR?\r\n");
    f.NWDevIDBox(2).setText("1234");
    f.ModemStat(4).setText("Modem ON");
    f.AirTime.setText("R 1\r");
    f.Product.setCaption("KELDAMAR HUB");
    f.IDtext.setCaption("SelfLog");
    p.ProductType = 3;
    p.SimTypeRead = 1;
    p.NetworkIndex = 2;
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(true);
    f.ClearWDT.setEnabled(true);
    f.FetchLog.setEnabled(true);
    f.LogBox.setReadOnly(false);
    f.ConnectButton.click();

    f.NewButton.click();
    EXPECT_EQ(f.width(), kNarrowWidth);
    EXPECT_EQ(f.Line2.x2, kNarrowWidth - 125);
    for (int i = 0; i <= 13; ++i) {
        EXPECT_EQ(f.ModemParm(i).text(), "") << i;
        EXPECT_EQ(f.ModemParm(i).foreColour(), kBlack) << i;
    }
    EXPECT_EQ(f.ModemParm(14).text(), "v14");
    EXPECT_EQ(f.Defaults(5).text(), "");
    EXPECT_EQ(f.Defaults(8).text(), "apn");
    EXPECT_EQ(f.CustomCMD(1).text(), "AT+X");
    EXPECT_EQ(f.TXText.text(), "AT+SNR?\r\n");
    EXPECT_EQ(f.NWDevIDBox(2).text(), "");
    EXPECT_EQ(f.ModemStat(4).text(), "");
    EXPECT_EQ(f.AirTime.text(), "");
    EXPECT_EQ(f.Product.caption(), "");
    EXPECT_EQ(f.IDtext.caption(), "");
    EXPECT_EQ(p.ProductType, 0);
    EXPECT_EQ(p.SimTypeRead, 0);
    EXPECT_EQ(p.NetworkIndex, 0);
    EXPECT_FALSE(f.Uploadbutton.enabled());
    EXPECT_FALSE(f.ClearWDT.enabled());
    EXPECT_FALSE(f.FetchLog.enabled());
    EXPECT_TRUE(f.LogBox.readOnly());
    for (int i = 0; i <= 2; ++i) EXPECT_FALSE(f.CustomSend(i).enabled());
    // The link is not touched.
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(f.ConnectButton.caption(), "Disconnect");
    EXPECT_TRUE(f.LoadSettings.enabled());
}

TEST(Startup, ClearEmptiesBothPanesAndTheLogThenStartsAFreshLog) {
    Rig rig(kUsableIni);
    Form_Load(rig.program);
    rig.form.ConnectButton.click();
    SendQuery(rig.program, 0, "AT+SNR?");
    rig.port.receive("+SS: 1\r\n");
    rig.clock.advance(200);
    ASSERT_FALSE(rig.form.RXText.text().empty());
    rig.form.ClearButton.click();
    EXPECT_EQ(rig.form.TXText.text(), "");
    EXPECT_EQ(rig.form.RXText.text(), "");
    EXPECT_EQ(rig.program.RxLog, "");
    rig.port.receive("ab");
    rig.clock.advance(200);
    EXPECT_EQ(rig.form.RXText.text(), "ab");
}

TEST(Startup, ExitEndsAtOnceAndReleasesThePort) {
    Rig rig(kUsableIni);
    Form_Load(rig.program);
    rig.form.ConnectButton.click();
    rig.form.ExitButton.click();
    EXPECT_EQ(rig.exit.exits, 1);
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST(Connection, ConnectDisconnectConnectNarrowsAndEmptiesTheIdEachTime) {
    Rig rig(kUsableIni);
    Mainform& f = rig.form;
    Form_Load(rig.program);
    for (int round = 0; round < 2; ++round) {
        f.setWidth(kWideWidth);
        f.IDtext.setCaption("SelfLog");
        f.ConnectButton.click();
        EXPECT_EQ(f.width(), kNarrowWidth);
        EXPECT_EQ(f.IDtext.caption(), "");
        EXPECT_TRUE(rig.port.isOpen());
        EXPECT_EQ(f.ConnectButton.caption(), "Disconnect");
        EXPECT_EQ(f.ConStat.caption(), "Connected");
        EXPECT_TRUE(f.Connected.visible());
        EXPECT_FALSE(f.Disconnected.visible());
        EXPECT_TRUE(f.LoadSettings.enabled());
        EXPECT_FALSE(f.Uploadbutton.enabled());

        f.RefreshStat.setEnabled(true);  // enabled by an earlier read
        for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(true);
        f.ConnectButton.click();
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_EQ(f.ConnectButton.caption(), "Connect");
        EXPECT_EQ(f.ConStat.caption(), "Disconnected");
        EXPECT_FALSE(f.Connected.visible());
        EXPECT_TRUE(f.Disconnected.visible());
        EXPECT_FALSE(f.LoadSettings.enabled());
        for (int i = 0; i <= 2; ++i) EXPECT_FALSE(f.CustomSend(i).enabled());
        EXPECT_TRUE(f.RefreshStat.enabled());
    }
}

TEST(Connection, DoubleClickOnEitherPictureToggles) {
    Rig rig(kUsableIni);
    Form_Load(rig.program);
    rig.form.Disconnected.dblClick();
    EXPECT_EQ(rig.form.ConStat.caption(), "Connected");
    rig.form.Connected.dblClick();
    EXPECT_EQ(rig.form.ConStat.caption(), "Disconnected");
}

TEST(Connection, VanishedDeviceShowsTheDisconnectedState) {
    Rig rig(kUsableIni);
    Form_Load(rig.program);
    rig.form.ConnectButton.click();
    rig.port.opened = false;  // the adapter has closed it
    rig.port.onCommEvent(kCommEventPortLost);
    EXPECT_EQ(rig.form.ConStat.caption(), "Disconnected");
    EXPECT_FALSE(rig.form.LoadSettings.enabled());
    EXPECT_EQ(rig.exit.exits, 0);
    rig.form.ConnectButton.click();
    EXPECT_TRUE(rig.port.isOpen());
}

}  // namespace
