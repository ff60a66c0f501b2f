// Connect and Load Settings against the simulated logger, through a real pseudo-terminal.
#include <gtest/gtest.h>

#include "link/engine.h"
#include "live_rig.h"

using namespace kd;
using namespace kdtest;

namespace {

const std::vector<std::string> kHead = {"AT+SNR?",    "AT+LOAD?",   "AT+LOGINT?", "AT+FTPINT?", "AT+OWNSIM?",
                                        "AT+OWNNUM?", "AT+APNCON?", "AT+FTPCON?", "AT+HOMENUM?", "AT+FW?"};
const std::vector<std::string> kStatus = {"AT+WDT?",    "AT+POR?",      "AT+AUTOPD?", "AT+TIME?",
                                          "AT+MPOWER?", "AT+BATVOLTS?", "AT+CREG?"};

std::vector<std::string> Expected(kdsim::Model model, const kdsim::LoggerState& s) {
    std::vector<std::string> r = kHead;
    if (model == kdsim::Model::SimType) r.push_back("AT+SIMTYPE?");
    r.insert(r.end(), kStatus.begin(), kStatus.end());
    if (model == kdsim::Model::Hub) {
        r.push_back("AT+PTABLE?");
        r.push_back("AT+RFCHAN?");
    }
    r.push_back("AT+RAING?");
    int n = s.logPointer - 1;
    if (n < 0) n = 4096;
    if (s.logPointer != 0 || s.unreadLogs != 0) r.push_back("AT+EVENT=" + std::to_string(n));
    return r;
}

struct Case {
    kdsim::Model model;
    bool split;
    int unsolicitedMs;
};

class LoadSettingsLive : public ::testing::TestWithParam<Case> {};

TEST_P(LoadSettingsLive, EveryBoxShowsTheLoggersValueAndTheCommandsComeInOrder) {
    const Case c = GetParam();
    kdsim::Options o;
    o.model = c.model;
    o.records = 12;
    o.faults.splitWrites = c.split;
    o.faults.splitGap = std::chrono::milliseconds{3};
    o.seed = 7;
    o.unsolicitedPeriod = std::chrono::milliseconds{c.unsolicitedMs};
    LiveRig rig(o);
    rig.boot();
    ASSERT_EQ(rig.dialogs.comsBoxShown, 0);
    rig.form().ConnectButton.click();
    ASSERT_TRUE(rig.port->isOpen()) << (rig.dialogs.messages.empty() ? "" : rig.dialogs.messages[0].detail);
    ASSERT_TRUE(PumpUntil([&] { return rig.sim.attached(); }, kPatienceMs));

    const kdsim::LoggerState s = rig.sim.state();
    const auto expected = Expected(c.model, s);
    rig.form().LoadSettings.click();
    // The read ends with the newest record's line shown.
    ASSERT_TRUE(PumpUntil(
        [&] {
            return rig.program->ReplyState == 0 && rig.sim.commands().size() >= expected.size() &&
                   rig.program->LogRecordCount == 1;
        },
        kPatienceMs))
        << "state " << rig.program->ReplyState << " after " << rig.sim.commands().size() << " commands";

    EXPECT_EQ(rig.sim.commands(), expected);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    const Mainform& f = rig.form();
    EXPECT_EQ(f.ModemParm(0).text(), s.deviceId);
    EXPECT_EQ(f.ModemParm(1).text(), std::to_string(s.logPointer));
    EXPECT_EQ(f.ModemParm(2).text(), std::to_string(s.unreadLogs));
    EXPECT_EQ(f.ModemParm(3).text(), std::to_string(s.logInterval));
    EXPECT_EQ(f.ModemParm(4).text(), std::to_string(s.downloadInterval));
    EXPECT_EQ(f.Defaults(5).text(), s.simIccid);
    EXPECT_EQ(f.ModemParm(5).text(), s.simNumber);
    EXPECT_EQ(f.ModemParm(6).text(), s.ownNumber);
    EXPECT_EQ(f.ModemParm(7).text(), s.firmware);
    EXPECT_EQ(f.ModemParm(8).text(), s.apnName);
    EXPECT_EQ(f.ModemParm(9).text(), s.apnUser);
    EXPECT_EQ(f.ModemParm(10).text(), s.apnPassword);
    EXPECT_EQ(f.ModemParm(11).text(), s.ftpServer);
    EXPECT_EQ(f.ModemParm(12).text(), s.ftpUser);
    EXPECT_EQ(f.ModemParm(13).text(), s.ftpPassword);
    EXPECT_EQ(f.ModemParm(14).text(), s.homeNumber);
    for (int i = 0; i <= 14; ++i) EXPECT_EQ(f.ModemParm(i).foreColour(), kBlack) << i;
    EXPECT_EQ(f.ModemStat(0).text(), std::to_string(s.watchdogCount));
    EXPECT_EQ(f.ModemStat(1).text(), std::to_string(s.coldStarts));
    EXPECT_EQ(f.ModemStat(2).text(), std::to_string(s.autoPowerDown));
    EXPECT_FALSE(f.ModemStat(3).text().empty());
    EXPECT_EQ(f.ModemStat(4).text(), s.modemPower == 0 ? "Modem OFF" : "Modem ON");
    EXPECT_EQ(f.ModemStat(5).text(), s.batteryVolts);
    EXPECT_EQ(f.ModemStat(6).text(), s.cregStatus == 1 || s.cregStatus == 5 ? "GSM ONline" : "GSM OFFline");
    EXPECT_EQ(f.ModemStat(7).text(), std::to_string(s.rainCount));

    const int code = std::stoi(s.firmware.substr(2, 2));
    EXPECT_EQ(rig.program->ProductType, code);
    EXPECT_EQ(f.Product.caption(), rig.program->ModelNames[static_cast<size_t>(code)]);
    EXPECT_EQ(f.width(), c.model == kdsim::Model::Hub ? kWideWidth : kNarrowWidth);
    if (c.model == kdsim::Model::SimType) {
        EXPECT_EQ(rig.program->SimTypeRead, 1);
        EXPECT_TRUE(f.SIMTypeOption(s.simType == 0 ? 0 : 1).value());
    }
    if (c.model == kdsim::Model::Hub) {
        EXPECT_EQ(f.RFChannel.listIndex(), s.radioChannel - 1);
        for (int i = 0; i <= 7; ++i)
            EXPECT_EQ(f.NWDevIDBox(i).text(), s.deviceTable[static_cast<size_t>(i)] == "0" ? "" : s.deviceTable[static_cast<size_t>(i)]);
    }
    const int newest = s.logPointer - 1 < 0 ? 4096 : s.logPointer - 1;
    const std::string recordId = kdsim::makeRecord(s, newest).deviceId;
    EXPECT_EQ(f.IDtext.caption(), recordId != s.deviceId ? "ID: " + recordId
                                  : c.model == kdsim::Model::Hub ? "SelfLog" : "Cable");
    EXPECT_EQ(rig.program->LogRecordCount, 1);
    EXPECT_FALSE(f.DateBox.text().empty());
    EXPECT_TRUE(f.CustomSend(0).enabled());
    EXPECT_TRUE(f.ResetRG.enabled());
}

std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
    static const char* const kModels[] = {"Plain", "SimType", "Hub"};
    return std::string(kModels[static_cast<int>(param.param.model)]) + (param.param.split ? "SplitWithStatusLines" : "");
}

INSTANTIATE_TEST_SUITE_P(Models, LoadSettingsLive,
                         ::testing::Values(Case{kdsim::Model::Plain, false, 0}, Case{kdsim::Model::SimType, false, 0},
                                           Case{kdsim::Model::Hub, false, 0}, Case{kdsim::Model::Plain, true, 40},
                                           Case{kdsim::Model::SimType, true, 40}, Case{kdsim::Model::Hub, true, 40}),
                         CaseName);

TEST(ConnectionLive, ConnectOpensDisconnectClosesAndAVanishedDeviceLeavesTheProgramRunning) {
    kdsim::Options o;
    o.pacing = false;
    LiveRig rig(o);
    rig.boot();
    rig.form().ConnectButton.click();
    ASSERT_TRUE(PumpUntil([&] { return rig.sim.attached(); }, kPatienceMs));
    rig.form().ConnectButton.click();
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_TRUE(PumpUntil([&] { return !rig.sim.attached(); }, kPatienceMs));
    rig.form().ConnectButton.click();
    ASSERT_TRUE(PumpUntil([&] { return rig.sim.attached(); }, kPatienceMs));

    rig.sim.stop();  // the cable is pulled
    EXPECT_TRUE(PumpUntil([&] { return rig.form().ConStat.caption() == "Disconnected"; }, kPatienceMs));
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_EQ(rig.exit.exits, 0);
    // Sending now reaches no device but never ends the program.
    rig.form().LoadSettings.setEnabled(true);
    rig.form().LoadSettings.click();
    EXPECT_EQ(rig.form().StatusBox(0).text(), kPortClosedNotice);
}

}  // namespace
