// The reply handlers: what each reply shows, what it enables, and what it sends next.
#include <gtest/gtest.h>

#include "connected_fixture.h"
#include "link/engine.h"
#include "replies/dispatcher.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Dispatcher : Connected {};

TEST_F(Dispatcher, SignalStrengthAndAirTimeTexts) {
    reply("+SS: 23");
    EXPECT_EQ(f.ModemStat(8).text(), "23%");
    reply("+SS:");  // no value at all: an empty box
    EXPECT_EQ(f.ModemStat(8).text(), "");
    reply("+AIRTIME: 12.50");
    EXPECT_EQ(f.AirTime.text(), "R 12.50\r");
    EXPECT_EQ(sent(), 0u);
    EXPECT_EQ(p.ReplyState, 0);
}

TEST_F(Dispatcher, ModemPowerAndRegistrationWords) {
    const std::pair<const char*, const char*> power[] = {
        {"+MPOWER: 0", "Modem OFF"}, {"+MPOWER: 1", "Modem ON"}, {"+MPOWER: 2", "Modem ON"}, {"+MPOWER: ", "Modem ON"}};
    for (const auto& [line, shown] : power) {
        reply(line);
        EXPECT_EQ(f.ModemStat(4).text(), shown) << line;
    }
    const std::pair<const char*, const char*> creg[] = {{"+CREG: 0,1", "GSM ONline"},  {"+CREG: 0,5", "GSM ONline"},
                                                        {"+CREG: 0,2", "GSM OFFline"}, {"+CREG: 0,3", "GSM OFFline"},
                                                        {"+CREG: 0,0", "GSM OFFline"}, {"+CREG: 0,11", "GSM OFFline"}};
    for (const auto& [line, shown] : creg) {
        reply(line);
        EXPECT_EQ(f.ModemStat(6).text(), shown) << line;
    }
    EXPECT_TRUE(f.RefreshStat.enabled());
    EXPECT_TRUE(f.CustomSend(2).enabled());
    EXPECT_EQ(sent(), 0u);  // ReplyState 0: the chain stops
}

TEST_F(Dispatcher, FirmwareDecidesModelWidthAndSimTypeQuery) {
    p.ReplyState = 9;
    reply("+FW: V203.2");
    EXPECT_EQ(p.ProductType, 3);
    EXPECT_EQ(f.Product.caption(), "KELDAMAR HUB");
    EXPECT_EQ(f.width(), kWideWidth);
    EXPECT_EQ(f.Line1.x2, kWideWidth - 125);
    EXPECT_EQ(p.SimTypeSupported, 0);
    EXPECT_EQ(last(), "AT+WDT?");
    EXPECT_EQ(p.ReplyState, 10);
    EXPECT_EQ(f.ModemParm(7).text(), "V203.2");

    p.ReplyState = 9;
    reply("+FW: V209.1");
    EXPECT_EQ(p.ProductType, 9);
    EXPECT_EQ(f.Product.caption(), "KELDAMAR MKIII");
    EXPECT_EQ(f.width(), kNarrowWidth);
    EXPECT_EQ(p.SimTypeSupported, 1);
    EXPECT_EQ(last(), "AT+SIMTYPE?");
    EXPECT_EQ(p.ReplyState, 22);
}

TEST_F(Dispatcher, FirmwareWithoutAModelNameShowsAnEmptyCaptionAndGoesOn) {
    for (const char* fw : {"+FW: V250.0", "+FW: V2-5", "+FW: V2", "+FW: ", "+FW: V2\xFF\xFE"}) {
        f.Product.setCaption("x");
        p.ReplyState = 9;
        reply(fw);
        EXPECT_EQ(f.Product.caption(), fw == std::string("+FW: V2") || fw == std::string("+FW: ") ||
                                                fw == std::string("+FW: V2\xFF\xFE")
                                            ? "KELDAMAR"
                                            : "")
            << fw;
        EXPECT_EQ(last(), "AT+WDT?") << fw;
    }
}

TEST_F(Dispatcher, SimTypeReplies) {
    p.ReplyState = 22;
    reply("+SIMTYPE: 1,2");
    EXPECT_TRUE(f.SIMTypeOption(1).value());
    EXPECT_EQ(f.NetworkName.text(), "Cell-C");
    EXPECT_TRUE(f.NetworkName.enabled());
    EXPECT_TRUE(f.NetworkLabel.enabled());
    EXPECT_EQ(p.NetworkIndex, 2);
    EXPECT_EQ(p.SimTypeRead, 1);
    EXPECT_EQ(f.SIMtypeFrame.foreColour(), kBlack);
    EXPECT_EQ(last(), "AT+WDT?");
    EXPECT_EQ(p.ReplyState, 10);

    reply("+SIMTYPE: 0,0");
    EXPECT_TRUE(f.SIMTypeOption(0).value());
    EXPECT_FALSE(f.NetworkName.enabled());
    EXPECT_FALSE(f.NetworkLabel.enabled());
}

TEST_F(Dispatcher, SimTypeOutOfRangeNetworkStillEnablesTheOptions) {
    p.ReplyState = 22;
    reply("+SIMTYPE: 1,7");
    EXPECT_TRUE(f.SIMTypeOption(0).value());  // as start-up left it
    EXPECT_TRUE(f.SIMTypeOption(0).enabled());
    EXPECT_TRUE(f.SIMTypeOption(1).enabled());
    EXPECT_EQ(p.SimTypeRead, 1);
    EXPECT_EQ(last(), "AT+WDT?");
}

TEST_F(Dispatcher, SimTypeWithoutCommaTouchesNothingButGoesOn) {
    p.ReplyState = 22;
    reply("+SIMTYPE: 12");
    EXPECT_FALSE(f.SIMTypeOption(0).enabled());
    EXPECT_EQ(p.SimTypeRead, 0);
    EXPECT_EQ(last(), "AT+WDT?");
    EXPECT_EQ(p.ReplyState, 10);
}

TEST_F(Dispatcher, UploadAnswerTurnsItsBoxBlackAndHandsBackToTheUpload) {
    p.ReplyState = 100;
    f.ModemParm(3).setForeColour(kRed);
    reply("+LOGINT: 15");
    EXPECT_EQ(f.ModemParm(3).text(), "15");
    EXPECT_EQ(f.ModemParm(3).foreColour(), kBlack);
    EXPECT_EQ(sent(), 0u);  // no "AT+FTPINT?"
    EXPECT_EQ(p.ReplyState, 0);  // the upload found nothing more to send

    p.ReplyState = 100;
    for (int i : {8, 9, 10}) f.ModemParm(i).setForeColour(kRed);
    reply("+APNCON: a,,c");
    for (int i : {8, 9, 10}) EXPECT_EQ(f.ModemParm(i).foreColour(), kBlack);
    EXPECT_EQ(f.ModemParm(9).text(), "");
    EXPECT_EQ(f.ModemParm(10).text(), "c");
}

TEST_F(Dispatcher, StatusReplyWithNothingAwaitedShowsButSendsNothing) {
    reply("+WDT: 0");
    EXPECT_EQ(f.ModemStat(0).text(), "0");
    EXPECT_TRUE(f.ClearWDT.enabled());
    EXPECT_EQ(sent(), 0u);
}

TEST_F(Dispatcher, ParameterReplyOutOfTurnRunsTheChainOn) {
    reply("+LOGINT: 30");
    EXPECT_EQ(last(), "AT+FTPINT?");
    EXPECT_EQ(p.ReplyState, 4);
    EXPECT_EQ(p.RetryCount, 0);
}

TEST_F(Dispatcher, UnknownLinesOnlyStopTheTimeout) {
    p.RetryLimit = 5;
    p.ReplyState = 3;
    p.TxCommand = "AT+LOGINT?\r\n";
    SendCommand(p);
    for (const char* line : {"OK", "ERROR", "AT+LOGINT?", "", "+LOGINT:30", " +LOGINT: 30"}) {
        f.ReplyTimeout.setEnabled(true);
        reply(line);
        EXPECT_FALSE(f.ReplyTimeout.enabled()) << line;
    }
    EXPECT_EQ(p.ReplyState, 3);
    EXPECT_EQ(sent(), 1u);
    EXPECT_EQ(f.ModemParm(3).text(), "");
}

TEST_F(Dispatcher, FieldsArePlacedByTheirOwnPositions) {
    p.ReplyState = 2;
    reply("+LOAD: ,34");
    EXPECT_EQ(f.ModemParm(1).text(), "");
    EXPECT_EQ(f.ModemParm(2).text(), "34");
    p.ReplyState = 8;
    reply("+FTPCON: srv, u s ,pw");
    EXPECT_EQ(f.ModemParm(12).text(), " u s ");
    EXPECT_EQ(f.ModemParm(13).text(), "pw");
    EXPECT_EQ(p.DeviceValues[13], "pw");
}

TEST_F(Dispatcher, IdCaptionNamesTheRecordsSource) {
    p.DeviceValues[0] = "12345";
    p.LastDeviceID = "12345";
    UpdateIDCaption(p);
    EXPECT_EQ(f.IDtext.caption(), "Cable");
    p.ProductType = 3;
    UpdateIDCaption(p);
    EXPECT_EQ(f.IDtext.caption(), "SelfLog");
    p.LastDeviceID = "00012";
    UpdateIDCaption(p);
    EXPECT_EQ(f.IDtext.caption(), "ID: 00012");
}

TEST_F(Dispatcher, RadioChannelOutOfAnyRangeLeavesTheSelection) {
    p.ReplyState = 19;
    reply("+RFCHAN: 2");
    EXPECT_EQ(f.RFChannel.listIndex(), 1);
    for (const char* line : {"+RFCHAN: 7", "+RFCHAN: 0", "+RFCHAN: 99999999999999999999", "+RFCHAN: -32769",
                             "+RFCHAN: 5e3", "+RFCHAN:"}) {
        p.ReplyState = 19;
        reply(line);
        EXPECT_EQ(f.RFChannel.listIndex(), 1) << line;
        EXPECT_EQ(last(), "AT+RAING?") << line;
    }
}

TEST_F(Dispatcher, HostileBytesNamesOnlyAndNulsNeverBreakAHandler) {
    p.ReplyState = 1;
    std::string withNul = "+SNR: 12";
    withNul += '\0';
    withNul += "34";
    reply(withNul);
    EXPECT_EQ(f.ModemParm(0).text(), withNul.substr(6));
    for (const char* name : {"+SNR:", "+LOAD:", "+OWNSIM:", "+APNCON:", "+FTPCON:", "+FW:", "+SIMTYPE:", "+TIME:",
                             "+CREG:", "+PTABLE:", "+RFCHAN:", "+RAING:", "@LOAD", "+SCANID:", "+AIRTIME:", "+SS:"}) {
        p.ReplyState = 5;
        reply(name);
        reply(std::string(name) + " \xFF\xFE\x80,\x01,\x7F");
    }
    p.ReplyState = 0;
    reply(std::string(5000, '\xFF'));
    SUCCEED();
}

TEST_F(Dispatcher, DroppingTheFirstLineNeverGoesBelowZero) {
    p.ReplyLineCount = 1;
    p.replyLinesUsed = 1;
    p.ReplyLines[1] = "x";
    DropFirstReplyLine(p);
    EXPECT_EQ(p.ReplyLineCount, 0);
    EXPECT_EQ(p.ReplyLines[1], "");
    DropFirstReplyLine(p);
    EXPECT_EQ(p.ReplyLineCount, 0);
}

}  // namespace
