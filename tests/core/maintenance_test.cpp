// The status block's buttons: their commands, the auto power-down bounds, the clock digits,
// and "Reload Status" re-entering the read.
#include <gtest/gtest.h>

#include "connected_fixture.h"
#include "network/maintenance.h"
#include "scripted_logger.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Maintenance : Connected {
    void SetUp() override {
        Connected::SetUp();
        for (Button* b : {&f.ClearWDT, &f.ClearPU, &f.SetAO, &f.SetTimeDate, &f.ResetRG, &f.RefreshStat})
            b->setEnabled(true);
    }
};

TEST_F(Maintenance, FixedCommandsAwaitNoFollowUp) {
    const std::pair<Button*, const char*> cases[] = {
        {&f.ClearWDT, "AT+WDT=0"}, {&f.ClearPU, "AT+POR=0"}, {&f.ResetRG, "AT+RAING"}};
    for (const auto& [button, command] : cases) {
        p.ReplyState = 14;
        button->click();
        EXPECT_EQ(last(), command);
        EXPECT_EQ(p.ReplyState, 0);
    }
    rig.port.receive("+WDT: 0\r\n");
    EXPECT_EQ(f.ModemStat(0).text(), "0");
    EXPECT_EQ(last(), "AT+RAING");  // the answer is shown and nothing follows
}

TEST_F(Maintenance, AutoPowerDownBoundsAndTheTextSentAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"30", nullptr},   {"31", "AT+AUTOPD=31"},       {"1799", "AT+AUTOPD=1799"}, {"1800", nullptr},
        {"", nullptr},     {"45abc", "AT+AUTOPD=45abc"}, {"30.5", "AT+AUTOPD=30.5"},
    };
    for (const auto& [text, sent] : cases) {
        SCOPED_TRACE(text);
        f.ModemStat(2).setText(text);
        p.ReplyState = 10;
        const size_t before = rig.port.commands.size();
        const size_t messages = rig.dialogs.messages.size();
        f.SetAO.click();
        EXPECT_EQ(p.ReplyState, 0);  // set before the check
        if (sent) {
            EXPECT_EQ(last(), sent);
            EXPECT_EQ(rig.dialogs.messages.size(), messages);
        } else {
            EXPECT_EQ(rig.port.commands.size(), before);
            ASSERT_EQ(rig.dialogs.messages.size(), messages + 1);
            EXPECT_EQ(rig.dialogs.messages.back().text, "Auto Power down out of range!");
            EXPECT_EQ(f.ModemStat(2).selLength(), static_cast<long>(std::string(text).size()));
            EXPECT_EQ(f.ModemStat(2).text(), text);
        }
    }
}

TEST_F(Maintenance, ClockIsSentAsTwelveDigitsOnTheTwentyFourHourClock) {
    struct Case {
        int hour, minute, second;
        const char* sent;
    };
    // 12:05:09 PM, 01:05:09 PM, 21:05:09, and five past midnight (12:05:09 AM).
    const Case cases[] = {{12, 5, 9, "AT+TIME=120315120509"},
                          {13, 5, 9, "AT+TIME=120315130509"},
                          {21, 5, 9, "AT+TIME=120315210509"},
                          {0, 5, 9, "AT+TIME=120315000509"}};
    for (const Case& c : cases) {
        rig.wall.now = std::tm{};
        rig.wall.now.tm_year = 112;
        rig.wall.now.tm_mon = 2;
        rig.wall.now.tm_mday = 15;
        rig.wall.now.tm_hour = c.hour;
        rig.wall.now.tm_min = c.minute;
        rig.wall.now.tm_sec = c.second;
        p.ReplyState = 7;
        f.SetTimeDate.click();
        EXPECT_EQ(last(), c.sent);
        EXPECT_EQ(p.ReplyState, 7);  // not changed
    }
}

TEST_F(Maintenance, ReloadStatusReadsFromTheWatchdogToTheNewestRecord) {
    ScriptedLogger logger = ScriptedLogger::Plain();
    logger.attach(rig.port, p);
    f.ModemParm(1).setText("10");
    f.ModemParm(2).setText("3");
    p.ProductType = 3;
    p.RetryCount = 4;
    f.RefreshStat.click();
    EXPECT_EQ(p.ReplyState, 10);
    EXPECT_EQ(p.RetryCount, 0);
    logger.pump(rig.port);
    const std::vector<std::string> expected = {"AT+WDT?",  "AT+POR?",      "AT+AUTOPD?", "AT+TIME?",
                                               "AT+MPOWER?", "AT+BATVOLTS?", "AT+CREG?", "AT+PTABLE?",
                                               "AT+RFCHAN?", "AT+RAING?",   "AT+EVENT=9"};
    EXPECT_EQ(rig.port.commands, expected);
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_EQ(f.ModemParm(1).text(), "10");  // the parameters are left alone
}

TEST_F(Maintenance, NewestRecordPointerIsOneRoundedValueForTheCheckAndTheNumber) {
    struct Case {
        const char *pointer, *unread, *sent;  // nullptr: the read ends with nothing asked
    };
    const Case cases[] = {{"10", "3", "AT+EVENT=9"}, {"0", "5", "AT+EVENT=4096"}, {"0", "0", nullptr},
                          {"0.5", "0", nullptr},     {"1.5", "0", "AT+EVENT=1"},  {"0.5", "2", "AT+EVENT=4096"},
                          {"70000", "5", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pointer) + "," + c.unread);
        p.ReplyState = 0;
        rig.port.receive(std::string("+LOAD: ") + c.pointer + "," + c.unread + "\r\n");
        const size_t before = rig.port.commands.size();
        p.ReplyState = 20;
        rig.port.receive("+RAING: 5\r\n");
        if (c.sent) {
            EXPECT_EQ(last(), c.sent);
            EXPECT_EQ(p.ReplyState, 21);
        } else {
            EXPECT_EQ(rig.port.commands.size(), before);
            EXPECT_EQ(p.ReplyState, 0);
            EXPECT_FALSE(f.ReplyTimeout.enabled());
        }
    }
}

}  // namespace
