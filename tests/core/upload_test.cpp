// "Upload Settings": what goes on the wire, in which order, and how a stopped upload resumes.
#include <gtest/gtest.h>

#include "fakes.h"
#include "profiles/upload_check.h"
#include "scripted_logger.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Upload : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    Mainform& f = rig.form;
    ScriptedLogger logger = ScriptedLogger::Plain();
    size_t mark = 0;

    void SetUp() override {
        Form_Load(p);
        f.ConnectButton.click();
        // A SIM number of a length the check accepts, so only the rows under test decide.
        logger.answers["AT+OWNSIM?"] = "+OWNSIM: 8927000000000000012,8927123400000000017";
        logger.attach(rig.port, p);
        f.LoadSettings.click();
        logger.pump(rig.port);
        rig.port.commands.clear();
        mark = rig.port.written.size();
    }
    // The logger confirms a set command with the value it now holds.
    void confirms(const std::string& command, const std::string& reply) { logger.answers[command] = reply; }
    void press() {
        f.Uploadbutton.click();
        logger.pump(rig.port);
    }
    std::vector<std::string> sent() const { return rig.port.commands; }
    std::string wire() const { return rig.port.written.substr(mark); }  // bytes of the upload
    std::vector<std::string> messages() const {
        std::vector<std::string> r;
        for (const Message& m : rig.dialogs.messages) r.push_back(m.text);
        return r;
    }
};

TEST_F(Upload, ChangedItemsGoInTableOrderWhateverTheOrderOfEditing) {
    f.ModemParm(14).setText("0831112222");
    f.ModemParm(3).setText("15");
    f.ModemParm(8).setText("apn.new");
    confirms("AT+LOGINT=15", "+LOGINT: 15");
    confirms("AT+APNCON=apn.new,user,pass", "+APNCON: apn.new,user,pass");
    confirms("AT+HOMENUM=0831112222", "+HOMENUM: 0831112222");
    f.Uploadbutton.click();  // a second press while the first step awaits its answer adds nothing
    press();
    EXPECT_EQ(sent(), (std::vector<std::string>{"AT+LOGINT=15", "AT+APNCON=apn.new,user,pass", "AT+HOMENUM=0831112222"}));
    for (int i = 0; i <= 14; ++i) EXPECT_EQ(f.ModemParm(i).foreColour(), kBlack) << i;
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_FALSE(f.Uploadbutton.enabled());
    EXPECT_TRUE(messages().empty());
}

TEST_F(Upload, OnePasswordSendsTheWholeGroupAndEmptyFieldsKeepTheirCommas) {
    f.ModemParm(9).setText("");
    f.ModemParm(10).setText("s3cret");
    confirms("AT+APNCON=internet,,s3cret", "+APNCON: internet,,s3cret");
    press();
    EXPECT_EQ(wire(), "AT+APNCON=internet,,s3cret\r\n");
    EXPECT_FALSE(f.Uploadbutton.enabled());
    EXPECT_EQ(f.ModemParm(10).foreColour(), kBlack);
}

TEST_F(Upload, SimNumberSendsTheBareCommandAndItsAnswerFillsRowAndDefault) {
    f.Defaults(5).onDblClick();  // the only way to change the read-only SIM number
    EXPECT_EQ(f.ModemParm(5).foreColour(), kRed);
    f.ModemParm(5).setText("");  // a short number would fail the check; empty passes
    confirms("AT+OWNSIM", "+OWNSIM: 8927000000000000099,27829999999");
    press();
    EXPECT_EQ(wire(), "AT+OWNSIM\r\n");
    EXPECT_EQ(f.ModemParm(5).text(), "27829999999");
    EXPECT_EQ(f.Defaults(5).text(), "8927000000000000099");
    EXPECT_EQ(f.ModemParm(5).foreColour(), kBlack);
}

TEST_F(Upload, SimTypeDigitsGoLastAndOnlyWhereSupported) {
    p.SimTypeRead = 1;
    p.SimTypeSupported = 1;
    f.SIMTypeOption(0).setEnabled(true);
    f.SIMTypeOption(1).setEnabled(true);
    f.SIMTypeOption(1).setValue(true);
    f.NetworkName.setListIndex(2);  // Cell-C
    f.ModemParm(0).setText("20000");
    confirms("AT+SNR=20000", "+SNR: 20000");
    confirms("AT+SIMTYPE=1,2", "+SIMTYPE: 1,2");
    press();
    EXPECT_EQ(sent(), (std::vector<std::string>{"AT+SNR=20000", "AT+SIMTYPE=1,2"}));
    EXPECT_EQ(f.SIMtypeFrame.foreColour(), kBlack);
    EXPECT_FALSE(f.Uploadbutton.enabled());

    f.SIMTypeOption(0).setValue(true);
    confirms("AT+SIMTYPE=0,0", "+SIMTYPE: 0,0");
    press();
    EXPECT_EQ(rig.port.written.substr(rig.port.written.size() - 16), "AT+SIMTYPE=0,0\r\n");

    p.SimTypeSupported = 0;  // a red frame is neither counted nor sent
    f.SIMTypeOption(1).setValue(true);
    rig.port.commands.clear();
    press();
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(messages(), std::vector<std::string>{"Settings has not changed!"});
}

TEST_F(Upload, DeviceTableIsSentWholeWithEmptyBoxesAsZero) {
    const char* ids[8] = {"12345", "1234", "2001", "2002", "2003", "", "", ""};
    for (int i = 0; i <= 7; ++i) {
        f.NWDevIDBox(i).setText(ids[i]);
        f.NWDevIDBox(i).setForeColour(i == 2 ? kRed : kBlack);  // as the table's edit mode marks it
    }
    f.Uploadbutton.setEnabled(true);
    confirms("AT+PTABLE=12345,1234,2001,2002,2003,0,0,0", "+PTABLE: 12345,1234,2001,2002,2003,0,0,0");
    press();
    EXPECT_EQ(sent(), std::vector<std::string>{"AT+PTABLE=12345,1234,2001,2002,2003,0,0,0"});
    EXPECT_EQ(f.NWDevIDBox(2).foreColour(), kBlack);
    EXPECT_FALSE(f.Uploadbutton.enabled());
}

TEST_F(Upload, ASilentLoggerStopsTheUploadAndTheNextPressResumesAtTheFirstRedItem) {
    f.ModemParm(3).setText("60");
    f.ModemParm(4).setText("240");
    f.ModemParm(6).setText("0829999999");
    confirms("AT+LOGINT=60", "+LOGINT: 60");
    press();  // the logger never answers AT+FTPINT=240
    rig.clock.advance(5 * 1500);
    std::vector<std::string> expected(5, "AT+FTPINT=240");  // sent once and re-sent four times
    expected.insert(expected.begin(), "AT+LOGINT=60");
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(messages(), std::vector<std::string>{"No Response from device"});
    EXPECT_EQ(f.ModemParm(3).foreColour(), kBlack);
    EXPECT_EQ(f.ModemParm(4).foreColour(), kRed);
    EXPECT_EQ(f.ModemParm(6).foreColour(), kRed);
    EXPECT_TRUE(f.Uploadbutton.enabled());

    rig.port.commands.clear();
    confirms("AT+FTPINT=240", "+FTPINT: 240");
    confirms("AT+OWNNUM=0829999999", "+OWNNUM: 0829999999");
    press();
    EXPECT_EQ(sent(), (std::vector<std::string>{"AT+FTPINT=240", "AT+OWNNUM=0829999999"}));
    EXPECT_FALSE(f.Uploadbutton.enabled());
}

TEST_F(Upload, AnErrorAnswerIsAReportedRefusalTheValueStaysRedAndGoesNoMoreInThisRun) {
    std::vector<CommandFailure> failures;
    p.onCommandFailed = [&](const CommandFailure& c) { failures.push_back(c); };
    const std::string homeBefore = f.ModemParm(14).text();
    f.ModemParm(3).setText("15");
    f.ModemParm(14).setText("12345abcde");
    confirms("AT+LOGINT=15", "+LOGINT: 15");
    confirms("AT+HOMENUM=12345abcde", "ERROR");
    press();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, CommandFailure::Kind::Refused);
    EXPECT_EQ(failures[0].command, "AT+HOMENUM=12345abcde");

    const std::vector<SentValue>& values = CheckedValues(p);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_TRUE(values[0].kept());
    EXPECT_EQ(values[1].setting, "Home No");
    EXPECT_TRUE(values[1].refused);
    EXPECT_FALSE(values[1].kept());
    EXPECT_EQ(values[1].held, homeBefore) << "what the logger still holds, as last read";
    EXPECT_EQ(UnkeptValuesText(values, true), "Home No: sent 12345abcde, refused by the logger");
    EXPECT_EQ(f.ModemParm(14).foreColour(), kRed);
    EXPECT_TRUE(AwaitedValues(p).empty());

    // A late answer of another kind goes on with the upload, which does not send it again.
    rig.port.commands.clear();
    rig.port.receive("+LOGINT: 15\r\n");
    logger.pump(rig.port);
    EXPECT_EQ(sent(), std::vector<std::string>{});

    // ERROR with nothing awaited is nobody's refusal.
    p.ReplyState = 0;
    rig.port.receive("ERROR\r\n");
    EXPECT_EQ(failures.size(), 1u);
}

TEST_F(Upload, AfterAnUnexpectedAnswerTypedValuesStayBlackUntilAnotherOperation) {
    f.ModemParm(3).setText("5");
    confirms("AT+LOGINT=5", "ERROR");
    press();
    EXPECT_EQ(p.ReplyState, 100);
    EXPECT_EQ(f.ModemParm(3).foreColour(), kRed);
    f.ModemParm(14).setText("0830000000");
    EXPECT_EQ(f.ModemParm(14).foreColour(), kBlack);
    f.CustomCMD(0).setText("AT+WDT?");
    f.CustomSend(0).click();  // another operation sets ReplyState again
    f.ModemParm(14).setText("0830000001");
    EXPECT_EQ(f.ModemParm(14).foreColour(), kRed);
}

TEST_F(Upload, ACustomCommandStopsTheUploadAndTheLateAnswerReplacesNoRedValue) {
    f.ModemParm(3).setText("15");
    f.ModemParm(4).setText("240");
    f.ModemParm(8).setText("apn.new");
    confirms("AT+LOGINT=15", "+LOGINT: 15");
    f.Uploadbutton.click();
    f.CustomCMD(0).setText("AT+WDT?");
    f.CustomSend(0).click();
    // The late "+LOGINT:" comes with nothing awaited and runs the read on, which must not
    // put the logger's old values over the changes still to send.
    logger.pump(rig.port);
    EXPECT_EQ(p.DeviceValues[4], "120");
    const std::pair<int, const char*> kept[] = {{3, "15"}, {4, "240"}, {8, "apn.new"}};
    for (const auto& [row, text] : kept) {
        EXPECT_EQ(f.ModemParm(row).text(), text) << row;
        EXPECT_EQ(f.ModemParm(row).foreColour(), kRed) << row;
    }
    EXPECT_EQ(f.ModemParm(6).text(), "0821234567");  // black rows show what was read
    EXPECT_TRUE(f.Uploadbutton.enabled());

    rig.port.commands.clear();
    confirms("AT+FTPINT=240", "+FTPINT: 240");
    confirms("AT+APNCON=apn.new,user,pass", "+APNCON: apn.new,user,pass");
    press();
    EXPECT_EQ(sent(), (std::vector<std::string>{"AT+LOGINT=15", "AT+FTPINT=240", "AT+APNCON=apn.new,user,pass"}));
    EXPECT_FALSE(f.Uploadbutton.enabled());
}

TEST_F(Upload, ACheckFailureOrAnUnsafeValueSendsNothingAndNamesTheBox) {
    struct Case {
        int row;
        std::string value;
        std::string message;
    };
    const Case cases[] = {
        {0, "", "Device ID out of range!!"},
        {9, "us,er", "APN User Name must not contain a comma!"},
        {13, "pw,1", "FTP Password must not contain a comma!"},
        {8, "internet\r\nAT+SNR=1", "APN Name holds a line break: it cannot be sent!"},
        {14, "083\n", "Home No holds a line break: it cannot be sent!"},
        {14, "08,3", "Home No must not contain a comma!"},  // the logger would store "08"
        {6, "0821234567,1", "Own Number must not contain a comma!"},
    };
    for (const Case& c : cases) {
        const std::string before = f.ModemParm(c.row).text();
        rig.dialogs.messages.clear();
        f.ModemParm(c.row).setText(c.value);
        press();
        EXPECT_TRUE(sent().empty()) << c.value;
        EXPECT_EQ(messages(), std::vector<std::string>{c.message});
        EXPECT_GT(f.ModemParm(c.row).focusRequests(), 0) << c.row;
        EXPECT_EQ(f.ModemParm(c.row).selLength(), static_cast<long>(c.value.size()));
        EXPECT_EQ(f.ModemParm(c.row).foreColour(), kRed);
        EXPECT_TRUE(f.Uploadbutton.enabled());
        f.ModemParm(c.row).setText(before);
        f.ModemParm(c.row).setForeColour(kBlack);
    }
}

// During the upload only the item about to go out is checked: a comma pasted into a later
// row stops the upload there, not before the safe items ahead of it.
TEST_F(Upload, AValuePastedMidUploadStopsOnlyItsOwnItem) {
    f.ModemParm(3).setText("15");
    f.ModemParm(8).setText("apn.new");
    f.ModemParm(14).setText("0831112222");
    confirms("AT+LOGINT=15", "+LOGINT: 15");
    confirms("AT+APNCON=apn.new,user,pass", "+APNCON: apn.new,user,pass");
    f.Uploadbutton.click();
    f.ModemParm(14).setText("08,3");  // pasted while the first step awaits its answer
    logger.pump(rig.port);
    EXPECT_EQ(sent(), (std::vector<std::string>{"AT+LOGINT=15", "AT+APNCON=apn.new,user,pass"}));
    EXPECT_EQ(messages(), std::vector<std::string>{"Home No must not contain a comma!"});
    EXPECT_EQ(f.ModemParm(14).foreColour(), kRed);
    EXPECT_EQ(p.ReplyState, 0);
}

TEST_F(Upload, NothingChangedIsSaidAndNothingSent) {
    f.Uploadbutton.setEnabled(true);
    press();
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(messages(), std::vector<std::string>{"Settings has not changed!"});
}

}  // namespace
