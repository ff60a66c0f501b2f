// The parameter panel's rules: the check before an upload, the defaults editor, copying a
// default, and the custom commands.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "params/validation.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Params : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    Mainform& f = rig.form;

    void SetUp() override { Form_Load(p); }
    std::vector<std::string> messages() const {
        std::vector<std::string> r;
        for (const Message& m : rig.dialogs.messages) r.push_back(m.text);
        return r;
    }
    // A panel that passes every check.
    void fillValid() {
        const char* v[15] = {"12345", "", "", "30", "120", "", "", "", "", "", "", "", "", "", ""};
        for (int i = 0; i <= 14; ++i) f.ModemParm(i).setText(v[i]);
    }
};

TEST_F(Params, CheckParametersBoundariesAndTheFirstFailureOnly) {
    struct Case {
        int row;
        std::string value;
        const char* message;  // nullptr: passes
    };
    const std::string digits(30, '1');
    const Case cases[] = {
        {0, "9999", "Device ID out of range!!"}, {0, "10000", nullptr}, {0, "30000", nullptr},
        {0, "30001", "Device ID out of range!!"}, {0, "abcde", "Device ID out of range!!"},
        {0, "", "Device ID out of range!!"},
        {3, "0", nullptr}, {3, "10", nullptr}, {3, "20", "Log Interval out of range!"},
        {3, "", "Log Interval out of range!"}, {3, "05", "Log Interval out of range!"},
        {4, "5", "FTP Interval out of range!"}, {4, "10", "FTP Interval out of range!"}, {4, "15", nullptr},
        {4, "240", nullptr}, {4, " 30", "FTP Interval out of range!"},
        {5, digits.substr(0, 14), "SIM number out of range!"}, {5, digits.substr(0, 15), nullptr},
        {5, digits.substr(0, 24), nullptr}, {5, digits.substr(0, 25), "SIM number out of range!"}, {5, "", nullptr},
        {6, digits.substr(0, 9), "OWN contact number out of range!"}, {6, digits.substr(0, 10), nullptr},
        {6, digits, nullptr}, {6, "", nullptr},
    };
    for (const Case& c : cases) {
        fillValid();
        rig.dialogs.messages.clear();
        f.ModemParm(c.row).setText(c.value);
        const int focus = f.ModemParm(c.row).focusRequests();
        CheckParameters(p);
        EXPECT_EQ(p.ParmCheckFailed, c.message ? 1 : 0) << c.row << " '" << c.value << "'";
        EXPECT_EQ(messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        if (c.message) {
            EXPECT_EQ(rig.dialogs.messages.at(0).title, "Message");
        }
        // The read-only SIM number is never focused; every other failing box is, text selected.
        const bool focused = c.message && c.row != 5;
        EXPECT_EQ(f.ModemParm(c.row).focusRequests() - focus, focused ? 1 : 0) << c.row;
        if (focused) {
            EXPECT_EQ(f.ModemParm(c.row).selLength(), static_cast<long>(c.value.size()));
        }
    }

    fillValid();
    f.ModemParm(3).setText("20");
    f.ModemParm(0).setText("1");
    rig.dialogs.messages.clear();
    CheckParameters(p);
    EXPECT_EQ(messages(), std::vector<std::string>{"Device ID out of range!!"});
}

TEST_F(Params, DefaultsEditorChecksBothIntervalsBeforeWritingNineKeysInOrder) {
    f.DefEdit.click();
    EXPECT_TRUE(f.DefEdit.checked());
    for (int row : {3, 4, 8, 14}) {
        EXPECT_FALSE(f.Defaults(row).readOnly()) << row;
        EXPECT_EQ(f.Defaults(row).backColour(), kWindowBackground);
    }
    EXPECT_TRUE(f.Defaults(5).readOnly());
    const std::string before = rig.fileText();
    for (const char* bad : {"10", "0", "05"}) {
        rig.dialogs.messages.clear();
        f.Defaults(3).setText(bad);
        f.DefEdit.click();
        EXPECT_EQ(messages(), std::vector<std::string>{"Log Interval out of range!"}) << bad;
        EXPECT_TRUE(f.DefEdit.checked());
        EXPECT_EQ(f.Defaults(3).selLength(), static_cast<long>(std::string(bad).size()));
    }
    f.Defaults(3).setText("15");
    f.Defaults(4).setText("45");
    rig.dialogs.messages.clear();
    f.DefEdit.click();
    EXPECT_EQ(messages(), std::vector<std::string>{"FTP Interval out of range!"});
    EXPECT_GT(f.Defaults(4).focusRequests(), 0);
    EXPECT_EQ(rig.fileText(), before);

    // Double-clicking a default while editing copies nothing.
    f.Defaults(8).setText("apn.default");
    f.Defaults(8).onDblClick();
    EXPECT_EQ(f.ModemParm(8).text(), "");

    f.Defaults(4).setText("240");
    f.Defaults(13).setText("");
    // Start-up wrote every missing key; without them the writes append in their own order.
    std::ofstream(rig.iniPath(), std::ios::binary) << kUsableIni;
    f.DefEdit.click();
    EXPECT_FALSE(f.DefEdit.checked());
    EXPECT_TRUE(f.Defaults(3).readOnly());
    EXPECT_EQ(f.Defaults(3).backColour(), kButtonFace);
    EXPECT_EQ(p.DefLogint, "15");
    EXPECT_EQ(p.DefAPNname, "apn.default");
    const std::string text = rig.fileText();
    size_t at = 0;
    for (const char* key : {"Logint=15", "FTPint=240", "APNname=apn.default", "APNun=", "APNpw=", "FTPname=",
                            "FTPun=", "FTPpw=\r\n", "Home="}) {
        const size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " after " << at << " in\n" << text;
        at = found;
    }
    EXPECT_EQ(f.ModemParm(8).text(), "");  // leaving the editor never touches the parameters
}

TEST_F(Params, DoubleClickCopiesADefaultIntoEditableRowsAndTheSimNumber) {
    f.Defaults(14).onDblClick();
    EXPECT_EQ(f.ModemParm(14).text(), p.DefHome);
    EXPECT_EQ(f.ModemParm(14).foreColour(), kRed);
    EXPECT_TRUE(f.Uploadbutton.enabled());
    p.ReplyState = 1;
    f.Defaults(7).setText("V1");  // a locked row other than 5: nothing happens
    f.Defaults(7).onDblClick();
    EXPECT_EQ(f.ModemParm(7).text(), "");
    f.Defaults(5).setText("8927");
    f.Defaults(5).onDblClick();
    EXPECT_EQ(f.ModemParm(5).text(), "8927");
    EXPECT_EQ(f.ModemParm(5).foreColour(), kBlack);  // a reply is awaited: not marked

    // A default equal to the value shown, and an empty default into an empty box, mark the
    // row too: the copy means "send this".
    f.Uploadbutton.setEnabled(false);
    f.ModemParm(3).setText(p.DefLogint);
    p.ReplyState = 0;
    f.Defaults(3).onDblClick();
    EXPECT_EQ(f.ModemParm(3).foreColour(), kRed);
    EXPECT_TRUE(f.Uploadbutton.enabled());
    ASSERT_EQ(f.ModemParm(6).text(), "");
    f.Defaults(6).onDblClick();
    EXPECT_EQ(f.ModemParm(6).foreColour(), kRed);

    f.Defaults(9).setText("guest");
    f.Defaults(9).onGotFocus();
    EXPECT_EQ(f.Defaults(9).selStart(), 0);
    EXPECT_EQ(f.Defaults(9).selLength(), 5);
}

TEST_F(Params, CustomCommandsSendAsTypedAndStoreOnlyTheirOwnKey) {
    f.ConnectButton.click();
    f.CustomCMD(0).setText("");
    f.CustomSend(0).setEnabled(true);
    f.CustomSend(0).click();
    EXPECT_TRUE(rig.port.written.empty());
    EXPECT_EQ(rig.fileText().find("Cust1"), std::string::npos);

    f.CustomCMD(2).setText(" at+fw? ");
    f.CustomSend(2).setEnabled(true);
    p.ReplyState = 7;
    f.CustomSend(2).click();
    EXPECT_EQ(rig.port.written, " at+fw? \r\n");
    EXPECT_EQ(p.ReplyState, 0);
    // Stored inside quotes, so the next start shows the command as it was sent.
    EXPECT_EQ(rig.ini.read("DEFAULT", "Cust3"), " at+fw? ");
    EXPECT_EQ(rig.fileText().find("Cust1"), std::string::npos);
    EXPECT_EQ(rig.fileText().find("Cust2"), std::string::npos);
}

// A save the technician asked for that does not reach the file is said once, naming the file.
TEST_F(Params, ASaveThatFailsIsSaidInTheStatusLine) {
    std::filesystem::permissions(rig.iniPath(), std::filesystem::perms::owner_read);  // protected: even root keeps off
    const std::string said = "Not saved: cannot write " + rig.iniPath();
    f.DefEdit.click();
    f.DefEdit.click();
    EXPECT_FALSE(f.DefEdit.checked());
    EXPECT_EQ(f.StatusBox(0).text(), said);
    EXPECT_TRUE(f.StatusBox(0).systemText());  // names a file
    f.StatusBox(0).setText("");
    f.ConnectButton.click();
    f.CustomCMD(0).setText("AT+FW?");
    f.CustomSend(0).setEnabled(true);
    f.CustomSend(0).click();
    EXPECT_EQ(f.StatusBox(0).text(), said);
}

}  // namespace
