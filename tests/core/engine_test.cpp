// The command engine: sending, re-sending on time-out, cutting replies into lines, the panes.
#include <gtest/gtest.h>

#include "fakes.h"
#include "link/engine.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Engine : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    std::vector<std::string> lines;

    void SetUp() override {
        Form_Load(p);
        rig.form.ConnectButton.click();
        ASSERT_TRUE(rig.port.isOpen());
        p.onReplyLine = [this](const std::string& l) { lines.push_back(l); };
    }
    void send(int state, const std::string& c) { SendQuery(p, state, c); }
};

TEST_F(Engine, UnansweredQueryIsSentFiveTimesThenReported) {
    std::vector<CommandFailure> failures;
    p.onCommandFailed = [&](const CommandFailure& c) {
        EXPECT_TRUE(rig.dialogs.messages.empty()) << "the value comes before the message";
        failures.push_back(c);
    };
    p.RetryLimit = 5;
    send(3, "AT+LOGINT?");
    EXPECT_EQ(rig.port.written, "AT+LOGINT?\r\n");
    for (int i = 1; i <= 4; ++i) {
        rig.clock.advance(1499);
        EXPECT_EQ(rig.port.commands.size(), static_cast<size_t>(i));
        rig.clock.advance(1);
        EXPECT_EQ(rig.port.commands.size(), static_cast<size_t>(i + 1)) << "re-send " << i;
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
    rig.clock.advance(1499);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    rig.clock.advance(1);  // 7.5 s after the first send
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "No Response from device");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, CommandFailure::Kind::NoAnswer);
    EXPECT_EQ(failures[0].command, "AT+LOGINT?");
    EXPECT_EQ(failures[0].sends, 5);
    EXPECT_EQ(rig.dialogs.messages[0].title, "Message");
    EXPECT_EQ(rig.dialogs.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_EQ(p.RetryCount, 0);
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    rig.clock.advance(60000);
    EXPECT_EQ(rig.port.commands.size(), 5u);
    // Each send was logged in the transmit pane.
    std::string five;
    for (int i = 0; i < 5; ++i) five += "AT+LOGINT?\r\n";
    EXPECT_EQ(rig.form.TXText.text(), five);
}

TEST_F(Engine, WithoutRetryLimitOneSendAndSilentEnd) {
    ASSERT_EQ(p.RetryLimit, 0);
    send(3, "AT+LOGINT?");
    rig.clock.advance(1500);
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    rig.clock.advance(30000);
    EXPECT_EQ(rig.port.commands.size(), 1u);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Engine, NoFollowUpStateCountsWithoutOverflowAndStaysSilent) {
    p.RetryLimit = 5;
    send(0, "AT+WDT=0");
    rig.clock.advance(1500LL * 40000);  // far beyond 32767 ticks of a 16-bit count
    EXPECT_EQ(rig.port.commands.size(), 5u);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_GE(p.RetryCount, 5);
    // A command sent meanwhile inherits the running timer and its count: no re-send.
    p.TxCommand = "AT+POR=0\r\n";
    SendCommand(p);
    rig.clock.advance(1500);
    EXPECT_EQ(rig.port.commands.back(), "AT+POR=0");
    EXPECT_EQ(rig.port.commands.size(), 6u);
}

TEST_F(Engine, ReplySplitOverThreeEventsIsOneLine) {
    send(0, "AT+FOO?");
    rig.port.receive("+S");
    rig.port.receive("S: 30");
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(rig.form.ReplyTimeout.enabled());
    rig.port.receive("\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "+SS: 30\r");
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    EXPECT_EQ(p.ReplyLineCount, 0);
}

TEST_F(Engine, TwoLinesInOneBatchAreBothHandledUnlessTheFirstSendsAFollowUp) {
    send(0, "AT+X");
    rig.port.receive("+SS: 20\r\n+SS: 21\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(rig.form.ModemStat(8).text(), "21%");

    lines.clear();
    p.ReplyState = 3;  // a read is running: "+LOGINT:" sends the next query
    rig.port.receive("+LOGINT: 30\r\n+SS: 55\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(rig.port.commands.back(), "AT+FTPINT?");
    EXPECT_EQ(rig.form.ModemStat(8).text(), "21%");
}

TEST_F(Engine, PartialLineIsDroppedByTheNextSend) {
    send(0, "AT+X");
    rig.port.receive("+SS: 20\r\n+SS: 4");
    EXPECT_EQ(p.RxBuffer, "+SS: 4");
    send(0, "AT+Y");
    EXPECT_EQ(p.RxBuffer, "");
    rig.port.receive("5\r\n");
    EXPECT_EQ(lines.back(), "5\r");
    EXPECT_EQ(rig.form.ModemStat(8).text(), "20%");
}

TEST_F(Engine, EmptyLineStillStopsTheTimeout) {
    p.RetryLimit = 5;
    send(3, "AT+LOGINT?");
    rig.port.receive("\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "");
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    rig.clock.advance(20000);
    EXPECT_EQ(rig.port.commands.size(), 1u);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(Engine, PanesAreTrimmedAtTheirExactBounds) {
    rig.port.receive(std::string(20000, 'a'));
    EXPECT_EQ(p.RxLog.size(), 20000u);
    rig.port.receive("b");
    EXPECT_EQ(p.RxLog.size(), 15000u);
    EXPECT_EQ(p.RxLog.back(), 'b');

    p.TxCommand = std::string(19998, 'x') + "\r\n";
    SendCommand(p);
    EXPECT_EQ(rig.form.TXText.text().size(), 20000u);
    p.TxCommand = "Z";
    SendCommand(p);
    EXPECT_EQ(rig.form.TXText.text().size(), 20000u);
    EXPECT_EQ(rig.form.TXText.text().back(), 'Z');
    EXPECT_EQ(rig.form.TXText.text().front(), 'x');
    EXPECT_EQ(rig.form.TXText.selStart(), 20000);
}

TEST_F(Engine, ReceivePaneIsRedrawnAtMostFiveTimesASecond) {
    int redraws = 0;
    rig.form.RXText.setObserver([&] { ++redraws; });
    for (int i = 0; i < 100; ++i) {
        rig.port.receive("x");
        rig.clock.advance(10);
    }
    // 1000 ms of traffic: five ticks, each a text and a caret update.
    EXPECT_LE(redraws, 10);
    EXPECT_EQ(rig.form.RXText.text(), std::string(100, 'x'));
}

TEST_F(Engine, EventsOtherThanReceiveChangeNothing) {
    rig.port.readAll();
    p.RxActivity = 0;
    for (int code : {1, 3, 4, 1001, 1004}) rig.port.onCommEvent(code);
    EXPECT_EQ(p.RxActivity, 0);
    EXPECT_EQ(p.RxLog, "");
}

TEST_F(Engine, FloodWithoutLineFeedKeepsTheBufferBounded) {
    for (int i = 0; i < 1000; ++i) rig.port.receive(std::string(1000, 'n'));
    EXPECT_LE(p.RxBuffer.size(), static_cast<size_t>(kRxBufferKeep));
    EXPECT_LE(p.RxLog.size(), 20000u);
    rig.port.receive("\r\n+SS: 9\r\n");
    EXPECT_EQ(rig.form.ModemStat(8).text(), "9%");
}

TEST_F(Engine, SendWhilePortIsClosedNeverEndsTheProgram) {
    rig.form.ConnectButton.click();  // disconnect
    ASSERT_FALSE(rig.port.isOpen());
    p.RetryLimit = 5;
    send(10, "AT+WDT?");
    EXPECT_EQ(rig.port.failedWrites, 1);
    EXPECT_EQ(rig.form.StatusBox(0).text(), kPortClosedNotice);
    EXPECT_EQ(rig.form.TXText.text(), "AT+WDT?\r\n");
    rig.clock.advance(7500);
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);  // the usual "No Response from device"
    EXPECT_EQ(rig.exit.exits, 0);
    // Once the link is back the notice goes away with the next successful send.
    rig.form.ConnectButton.click();
    send(0, "AT+POR=0");
    EXPECT_EQ(rig.form.StatusBox(0).text(), "");
}

TEST_F(Engine, HundredLineCapKeepsTheNewestInTheLastElement) {
    // Lines pile up only if the dispatcher did not run; simulate by storing directly.
    p.ReplyLineCount = 100;
    p.replyLinesUsed = 100;
    p.ReplyLines[100] = "old";
    rig.port.receive("+SS: 1\r\n");
    EXPECT_EQ(p.ReplyLineCount, 99);
    EXPECT_EQ(p.ReplyLines[99], "+SS: 1\r");
    EXPECT_EQ(p.ReplyLines[100], "+SS: 1\r");
}

}  // namespace
