// The port dialog's logic, configuring and opening the port with its Retry/Cancel loop.
#include <gtest/gtest.h>

#include "fakes.h"
#include "link/port.h"
#include "settings/settings_file.h"

using namespace kd;
using namespace kdtest;

namespace {

struct PortDialog : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    void SetUp() override { Form_Load(p); }

    // Shows the dialog, lets the search run, then does what the operator does.
    void show(const std::function<void(ComsBox&)>& operatorActs) {
        rig.dialogs.comsBoxScript = [&](ComsBox& box) {
            EXPECT_TRUE(box.SearchText.visible());
            EXPECT_FALSE(box.ComsCombo.visible());
            EXPECT_FALSE(box.TestComs.visible());
            rig.clock.advance(499);
            EXPECT_TRUE(box.ComsCombo.items().empty());
            rig.clock.advance(1);
            EXPECT_TRUE(box.ComsCombo.visible());
            EXPECT_TRUE(box.TestComs.visible());
            EXPECT_FALSE(box.SearchText.visible());
            EXPECT_FALSE(box.DisplayTimer.enabled());
            operatorActs(box);
        };
        rig.form.SetupComs.click();
    }
};

TEST_F(PortDialog, SearchListsUsablePortsInOrderAndPreselectsTheCurrentOne) {
    rig.port.usable = {1, 3};
    p.PortNumber = 3;
    std::vector<std::string> items;
    show([&](ComsBox& box) {
        items = box.ComsCombo.items();
        EXPECT_EQ(box.ComsCombo.listIndex(), 1);
        EXPECT_EQ(box.ComsCombo.text(), "COM 3");
        EXPECT_EQ(box.DeviceInfo.caption(), "/dev/fake3 - Fake UART");
        box.CancelButton.click();
    });
    EXPECT_EQ(items, (std::vector<std::string>{"COM 1", "COM 3"}));
    EXPECT_EQ(rig.port.opens, 2);
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.ini.read("DEFAULT", "Comport"), "1");  // Cancel changes nothing
    EXPECT_EQ(p.PortNumber, 3);
}

TEST_F(PortDialog, CurrentPortNotFoundSelectsNothingAndOkStoresPortOne) {
    rig.port.usable = {1, 3};
    p.PortNumber = 7;
    show([&](ComsBox& box) {
        EXPECT_EQ(box.ComsCombo.listIndex(), -1);
        EXPECT_EQ(box.ComsCombo.text(), "Select Com Port");
        box.OKButton.click();
        EXPECT_TRUE(box.closed());
    });
    EXPECT_EQ(p.PortNumber, 1);
    EXPECT_NE(rig.fileText().find("Comport= 1\r\n"), std::string::npos);
}

TEST_F(PortDialog, OkWithPortTwelveWritesItWithALeadingBlank) {
    rig.port.usable = {12};
    show([&](ComsBox& box) {
        box.ComsCombo.setListIndex(0);
        box.OKButton.click();
    });
    EXPECT_EQ(p.PortNumber, 12);
    EXPECT_NE(rig.fileText().find("Comport= 12\r\n"), std::string::npos);
    // Connect then opens the newly chosen port.
    rig.form.ConnectButton.click();
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.commPort(), 12);
}

TEST_F(PortDialog, TestReportsAvailabilityAndKeepsTheDialogOpen) {
    rig.port.usable = {2};
    show([&](ComsBox& box) {
        box.TestComs.click();  // nothing selected: "Select Com Port"
        ASSERT_EQ(rig.dialogs.messages.size(), 1u);
        EXPECT_EQ(rig.dialogs.messages[0].text, "Port not available!");
        EXPECT_EQ(rig.dialogs.messages[0].title, "Warning");
        EXPECT_EQ(rig.dialogs.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(rig.dialogs.messages[0].buttons, MsgButtons::Ok);
        box.ComsCombo.setListIndex(0);
        box.TestComs.click();
        ASSERT_EQ(rig.dialogs.messages.size(), 2u);
        EXPECT_EQ(rig.dialogs.messages[1].text, "Coms Port is Available!");
        EXPECT_EQ(rig.dialogs.messages[1].title, "Message");
        EXPECT_EQ(rig.dialogs.messages[1].icon, MsgIcon::Information);
        EXPECT_FALSE(box.closed());
        EXPECT_FALSE(rig.port.isOpen());
        box.onCloseBox();  // the close box is Cancel
    });
    EXPECT_EQ(p.PortNumber, 1);
}

TEST_F(PortDialog, EntryNumbersAreReadFromTheFifthCharacter) {
    EXPECT_EQ(ComEntry(3), "COM 3");
    EXPECT_EQ(ComEntry(16), "COM 16");
    EXPECT_EQ(ComNumber("COM 3"), 3);
    EXPECT_EQ(ComNumber("COM3"), 0);
    EXPECT_EQ(ComNumber("COM 99999999"), 0);  // does not fit: no port
    EXPECT_EQ(ComNumber("Select Com Port"), 0);
}

TEST_F(PortDialog, SearchWhileConnectedListsTheOpenLinkWithoutClosingIt) {
    rig.form.ConnectButton.click();
    ASSERT_TRUE(rig.port.isOpen());
    show([&](ComsBox& box) {
        EXPECT_EQ(box.ComsCombo.items(), std::vector<std::string>{"COM 1"});
        box.CancelButton.click();
    });
    EXPECT_TRUE(rig.port.isOpen());
}

TEST(OpenPort, FailingPortThenRetryWithAWorkingOneEndsConnected) {
    Rig rig(kUsableIni);
    Program& p = rig.program;
    Form_Load(p);
    rig.port.usable = {4};
    rig.port.refusal = "Permission denied";
    rig.dialogs.answers = {MsgAnswer::Retry};
    rig.dialogs.comsBoxScript = [&](ComsBox& box) {
        rig.clock.advance(500);
        box.ComsCombo.setListIndex(0);
        box.OKButton.click();
    };
    rig.form.ConnectButton.click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    const Message& m = rig.dialogs.messages[0];
    EXPECT_EQ(m.text, "Coms Port not available!");
    EXPECT_EQ(m.title, "Warning");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.buttons, MsgButtons::RetryCancel);
    EXPECT_NE(m.detail.find("Permission denied"), std::string::npos);
    EXPECT_NE(m.detail.find("dialout"), std::string::npos);
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.commPort(), 4);
    EXPECT_EQ(rig.form.ConnectButton.caption(), "Disconnect");
    EXPECT_EQ(rig.form.ConStat.caption(), "Connected");
}

TEST(OpenPort, CancelEndsTheProgramAtOnce) {
    Rig rig(kUsableIni);
    Form_Load(rig.program);
    rig.port.usable = {};
    rig.form.ConnectButton.click();
    EXPECT_EQ(rig.exit.exits, 1);
    EXPECT_TRUE(rig.program.ended);
    EXPECT_EQ(rig.dialogs.comsBoxShown, 0);
    EXPECT_EQ(rig.form.ConnectButton.caption(), "Connect");
}

TEST(ConfigurePort, FailureOffersRetryAndCancelEnds) {
    Rig rig("[DEFAULT]\r\nComport=1\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n");
    Program& p = rig.program;
    ReadSettingsFile(p);
    p.PortNumber = 40;  // a number the port refuses
    rig.dialogs.answers = {MsgAnswer::Retry};
    rig.dialogs.comsBoxScript = [&](ComsBox& box) {
        rig.clock.advance(500);
        box.ComsCombo.setListIndex(1);
        box.OKButton.click();
    };
    ConfigurePort(p);
    EXPECT_EQ(rig.exit.exits, 0);
    EXPECT_EQ(p.PortNumber, 2);
    EXPECT_EQ(rig.port.commPort(), 2);
    EXPECT_FALSE(rig.port.isOpen());

    p.PortNumber = 40;
    ConfigurePort(p);  // no answers left: Cancel
    EXPECT_EQ(rig.exit.exits, 1);
}

}  // namespace
