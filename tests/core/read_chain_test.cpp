// "Load Settings": the whole chain of queries for each model, and how it ends.
#include <gtest/gtest.h>

#include "fakes.h"
#include "scripted_logger.h"

using namespace kd;
using namespace kdtest;

namespace {

struct ReadChain : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    ScriptedLogger logger = ScriptedLogger::Plain();

    void SetUp() override {
        Form_Load(p);
        rig.form.ConnectButton.click();
    }
    void load() {
        logger.attach(rig.port, p);
        rig.form.LoadSettings.click();
        logger.pump(rig.port);
    }
};

const std::vector<std::string> kHead = {"AT+SNR?",    "AT+LOAD?",   "AT+LOGINT?", "AT+FTPINT?", "AT+OWNSIM?",
                                        "AT+OWNNUM?", "AT+APNCON?", "AT+FTPCON?", "AT+HOMENUM?", "AT+FW?"};
const std::vector<std::string> kStatus = {"AT+WDT?",    "AT+POR?",      "AT+AUTOPD?", "AT+TIME?",
                                          "AT+MPOWER?", "AT+BATVOLTS?", "AT+CREG?"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> r;
    for (const auto& v : parts) r.insert(r.end(), v.begin(), v.end());
    return r;
}

TEST_F(ReadChain, PlainLoggerReadsStepsOneToTenTwelveToEighteenRainAndRecord) {
    load();
    EXPECT_EQ(rig.port.commands, Join({kHead, kStatus, {"AT+RAING?", "AT+EVENT=9"}}));
    EXPECT_EQ(logger.states,
              (std::vector<int>{1, 2, 3, 4, 2, 6, 7, 8, 11, 9, 10, 12, 13, 14, 15, 16, 17, 20, 21}));
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_EQ(p.RetryLimit, 5);
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    const Mainform& f = rig.form;
    EXPECT_EQ(f.ModemParm(0).text(), "12345");
    EXPECT_EQ(f.ModemParm(1).text(), "10");
    EXPECT_EQ(f.ModemParm(2).text(), "3");
    EXPECT_EQ(f.ModemParm(5).text(), "27821234567");
    EXPECT_EQ(f.Defaults(5).text(), "8927000000000000012");
    EXPECT_EQ(f.ModemParm(7).text(), "V200.5");
    EXPECT_EQ(f.ModemParm(10).text(), "pass");
    EXPECT_EQ(f.ModemParm(11).text(), "ftp.example.net");
    EXPECT_EQ(f.ModemParm(14).text(), "0215550143");
    for (int i = 0; i <= 14; ++i) EXPECT_EQ(f.ModemParm(i).foreColour(), kBlack) << i;
    EXPECT_FALSE(f.Uploadbutton.enabled());
    EXPECT_EQ(f.ModemStat(3).text(), "12/03/15,14:30:45");
    EXPECT_EQ(f.ModemStat(4).text(), "Modem ON");
    EXPECT_EQ(f.ModemStat(6).text(), "GSM ONline");
    EXPECT_EQ(f.ModemStat(7).text(), "17");
    EXPECT_EQ(f.Product.caption(), "KELDAMAR");
    EXPECT_EQ(f.width(), kNarrowWidth);
    EXPECT_EQ(f.IDtext.caption(), "Cable");
    EXPECT_EQ(f.Moisture(0).text(), "49.9985");
    EXPECT_EQ(f.Temperature(0).text(), "25.0");
    EXPECT_EQ(f.DateBox.text(), "15 Mar 2012");
    EXPECT_EQ(f.TimeBox.text(), "14h30");
    EXPECT_EQ(f.RSSIBox.text(), "31");
    for (Button* b : {&rig.form.ClearWDT, &rig.form.ClearPU, &rig.form.SetAO, &rig.form.SetTimeDate,
                      &rig.form.RefreshStat, &rig.form.ResetRG, &rig.form.FetchLog, &rig.form.CustomSend(0)})
        EXPECT_TRUE(b->enabled()) << b->name();
    EXPECT_FALSE(f.SIMTypeOption(0).enabled());  // no SIM type on this firmware
}

TEST_F(ReadChain, SimTypeFirmwareAsksForTheSimTypeBetweenTenAndTwelve) {
    logger.answers["AT+FW?"] = "+FW: V209.1";
    load();
    EXPECT_EQ(rig.port.commands, Join({kHead, {"AT+SIMTYPE?"}, kStatus, {"AT+RAING?", "AT+EVENT=9"}}));
    EXPECT_EQ(logger.states,
              (std::vector<int>{1, 2, 3, 4, 2, 6, 7, 8, 11, 9, 22, 10, 12, 13, 14, 15, 16, 17, 20, 21}));
    EXPECT_EQ(rig.form.Product.caption(), "KELDAMAR MKIII");
    EXPECT_TRUE(rig.form.SIMTypeOption(1).value());
    EXPECT_EQ(rig.form.NetworkName.text(), "Cell-C");
    EXPECT_EQ(rig.form.SIMtypeFrame.foreColour(), kBlack);  // the read marks nothing
    EXPECT_EQ(p.SimTypeRead, 1);
}

TEST_F(ReadChain, HubReadsItsTableAndChannelBetweenEighteenAndTwentyOne) {
    logger.answers["AT+FW?"] = "+FW: V203.2";
    load();
    EXPECT_EQ(rig.port.commands,
              Join({kHead, kStatus, {"AT+PTABLE?", "AT+RFCHAN?", "AT+RAING?", "AT+EVENT=9"}}));
    EXPECT_EQ(logger.states, (std::vector<int>{1, 2, 3, 4, 2, 6, 7, 8, 11, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19,
                                               20, 21}));
    EXPECT_EQ(rig.form.width(), kWideWidth);
    EXPECT_EQ(rig.form.Product.caption(), "KELDAMAR HUB");
    EXPECT_EQ(rig.form.IDtext.caption(), "SelfLog");
    EXPECT_EQ(rig.form.NWDevIDBox(0).text(), "12345");
    EXPECT_EQ(rig.form.NWDevIDBox(1).text(), "1234");
    EXPECT_EQ(rig.form.NWDevIDBox(2).text(), "");
    EXPECT_TRUE(rig.form.ScanCommand(1).enabled());
    EXPECT_FALSE(rig.form.ScanCommand(2).enabled());
    EXPECT_EQ(rig.form.RFChannel.text(), "Channel 3");
}

TEST_F(ReadChain, NoRecordsEndsAfterTheRainGauge) {
    logger.answers["AT+LOAD?"] = "+LOAD: 0,0";
    load();
    EXPECT_EQ(rig.port.commands.back(), "AT+RAING?");
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
    rig.clock.advance(20000);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(ReadChain, NewestRecordNumberWrapsBelowZeroTo4096) {
    logger.answers["AT+LOAD?"] = "+LOAD: 0,5";
    load();
    EXPECT_EQ(rig.port.commands.back(), "AT+EVENT=4096");
}

TEST_F(ReadChain, PointerBeyondSixteenBitsEndsTheReadInsteadOfAskingForAWrongRecord) {
    logger.answers["AT+LOAD?"] = "+LOAD: 70000,5";
    load();
    EXPECT_EQ(rig.port.commands.back(), "AT+RAING?");
    EXPECT_EQ(p.ReplyState, 0);
    EXPECT_FALSE(rig.form.ReplyTimeout.enabled());
}

TEST_F(ReadChain, NoAnswerMidChainFiveSendsThenNoResponse) {
    logger.answers["AT+APNCON?"] = "";
    load();
    ASSERT_EQ(rig.port.commands.back(), "AT+APNCON?");
    rig.clock.advance(7500);
    logger.pump(rig.port);
    const auto n = std::count(rig.port.commands.begin(), rig.port.commands.end(), std::string("AT+APNCON?"));
    EXPECT_EQ(n, 5);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "No Response from device");
    EXPECT_EQ(p.ReplyState, 0);
    const size_t sent = rig.port.commands.size();
    rig.clock.advance(60000);
    EXPECT_EQ(rig.port.commands.size(), sent);
}

TEST_F(ReadChain, LoadSettingsEmptiesTheRecordPanelAndTheHubTable) {
    rig.form.Moisture(2).setText("12.0");
    rig.form.NWDevIDBox(3).setText("77");
    rig.form.IDtext.setCaption("Cable");
    rig.form.Product.setCaption("KELDAMAR");
    rig.form.AirTime.setText("R 5\r");
    p.SimTypeRead = 1;
    p.NetworkIndex = 3;
    rig.form.LoadSettings.click();
    EXPECT_EQ(p.ReplyState, 1);
    EXPECT_EQ(rig.port.commands.back(), "AT+SNR?");
    EXPECT_EQ(rig.form.Moisture(2).text(), "");
    EXPECT_EQ(rig.form.NWDevIDBox(3).text(), "");
    EXPECT_EQ(rig.form.IDtext.caption(), "");
    EXPECT_EQ(rig.form.Product.caption(), "");
    EXPECT_EQ(rig.form.AirTime.text(), "");
    EXPECT_EQ(rig.form.NetworkName.listIndex(), -1);
    EXPECT_EQ(p.SimTypeRead, 0);
    EXPECT_EQ(p.NetworkIndex, 0);
    EXPECT_EQ(p.RetryCount, 0);
    EXPECT_EQ(p.RetryLimit, 5);
}

}  // namespace
