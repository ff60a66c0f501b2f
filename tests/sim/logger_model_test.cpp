// The command interpreter without a line: exact reply texts, state changes, rejections.
#include <gtest/gtest.h>

#include <set>

#include "logger_model.h"

namespace kdsim {
namespace {

using namespace std::chrono_literals;
using Clock = LoggerModel::Clock;

class ModelTest : public ::testing::Test {
protected:
    Clock::time_point t0 = Clock::time_point{} + 1000h;
    LoggerModel plain{makePreset(Model::Plain, 5), t0};
    LoggerModel simtype{makePreset(Model::SimType, 5), t0};
    LoggerModel hub{makePreset(Model::Hub, 5), t0};

    static std::string say(LoggerModel& m, std::string_view cmd, Clock::time_point t) { return m.handle(cmd, t).text; }
    std::string say(LoggerModel& m, std::string_view cmd) { return say(m, cmd, t0); }
};

TEST_F(ModelTest, PresetsEncodeTheirModelInTheFirmwareText) {
    // Characters 3-4 give the model; character 4 above 5 offers the SIM type.
    EXPECT_EQ(say(plain, "AT+FW?"), "+FW: V202.1\r\n");
    EXPECT_EQ(say(simtype, "AT+FW?"), "+FW: V209.3\r\n");
    EXPECT_EQ(say(hub, "AT+FW?"), "+FW: V203.2\r\n");
    EXPECT_FALSE(offersSimType(plain.state()));
    EXPECT_TRUE(offersSimType(simtype.state()));
    EXPECT_FALSE(offersSimType(hub.state()));
    EXPECT_TRUE(isHub(hub.state()));
    EXPECT_FALSE(isHub(simtype.state()));
}

TEST_F(ModelTest, BadValuesAreRefusedAndChangeNothing) {
    for (const char* cmd : {"AT+SNR=", "AT+SNR=12a", "AT+SNR=12345678901", "AT+LOGINT=65536", "AT+LOGINT=-1",
                            "AT+LOGINT=99999999999999999999", "AT+FTPINT= 5",
                            "AT+LOGINT=20", "AT+FTPINT=5", "AT+FTPINT=45", "AT+OWNNUM=12-34",
                            "AT+APNCON=a,b", "AT+APNCON=a,b,c,d", "AT+FTPCON=a,b\x01,c", "AT+WDT=5",
                            "AT+POR=", "AT+AUTOPD=45abc", "AT+AUTOPD=30.5"}) {
        EXPECT_EQ(say(plain, cmd), "ERROR\r\n") << cmd;
    }
    EXPECT_EQ(say(plain, "AT+SNR?"), "+SNR: 12345\r\n");
    EXPECT_EQ(say(plain, "AT+LOGINT?"), "+LOGINT: 30\r\n");
    EXPECT_EQ(say(plain, "AT+APNCON?"), "+APNCON: internet,guest,guest\r\n");
    EXPECT_EQ(say(plain, "AT+WDT?"), "+WDT: 3\r\n");
    EXPECT_EQ(say(plain, "AT+AUTOPD?"), "+AUTOPD: 300\r\n");
}

TEST_F(ModelTest, AnythingElseIsAnError) {
    for (const char* cmd : {"", "AT", "AT+", "ATI", "AT+FOO?", "AT+SNR??", "AT+SNR?x", "XX+SNR?", "AT+EVENT?",
                            "AT+LOGINT", "AT+OWNSIM=1", "AT+RFCHAN=2"}) {
        EXPECT_EQ(say(plain, cmd), "ERROR\r\n") << cmd;
    }
    // Command names are not case-sensitive, values are kept as sent.
    EXPECT_EQ(say(plain, "at+apncon=Net,U,P"), "+APNCON: Net,U,P\r\n");
}

TEST_F(ModelTest, SimTypeIsOnlyOfferedByFirmwareThatHasIt) {
    EXPECT_EQ(say(plain, "AT+SIMTYPE?"), "ERROR\r\n");
    EXPECT_EQ(say(plain, "AT+SIMTYPE=0,0"), "ERROR\r\n");

    const auto r = say(simtype, "AT+SIMTYPE?");
    EXPECT_EQ(r, "+SIMTYPE: 1,2\r\n");
    // The program reads the type at character 11 and the network at 13 (1-based).
    EXPECT_EQ(r[10], '1');
    EXPECT_EQ(r[11], ',');
    EXPECT_EQ(r[12], '2');
    EXPECT_EQ(say(simtype, "AT+SIMTYPE=0,0"), "+SIMTYPE: 0,0\r\n");
    EXPECT_EQ(say(simtype, "AT+SIMTYPE=1,3"), "+SIMTYPE: 1,3\r\n");
    for (const char* cmd : {"AT+SIMTYPE=2,0", "AT+SIMTYPE=1,4", "AT+SIMTYPE=1", "AT+SIMTYPE=01,1", "AT+SIMTYPE=1,1,1"})
        EXPECT_EQ(say(simtype, cmd), "ERROR\r\n") << cmd;
    EXPECT_EQ(say(simtype, "AT+SIMTYPE?"), "+SIMTYPE: 1,3\r\n");
}

TEST_F(ModelTest, HubTableRefusesMalformedTablesAndOtherModelsHaveNone) {
    EXPECT_EQ(say(hub, "AT+PTABLE=12345,0,77,0,0,0,0,65535"), "+PTABLE: 12345,0,77,0,0,0,0,65535\r\n");
    // Seven or nine IDs, an empty one or a letter: the table stays as it was.
    for (const char* cmd : {"AT+PTABLE=1,2,3,4,5,6,7", "AT+PTABLE=1,2,3,4,5,6,7,8,9", "AT+PTABLE=1,,3,4,5,6,7,8",
                            "AT+PTABLE=1,2,3,4,5,6,7,x"})
        EXPECT_EQ(say(hub, cmd), "ERROR\r\n") << cmd;
    EXPECT_EQ(say(hub, "AT+PTABLE?"), "+PTABLE: 12345,0,77,0,0,0,0,65535\r\n");
    // A logger without radio has no table.
    EXPECT_EQ(say(plain, "AT+PTABLE?"), "ERROR\r\n");
    EXPECT_EQ(say(plain, "AT+RFCHAN?"), "ERROR\r\n");
    EXPECT_EQ(say(plain, "AT+SCANID=1201,2"), "ERROR\r\n");
}

TEST_F(ModelTest, ClockIsSetAndRunsOn) {
    EXPECT_EQ(say(plain, "AT+TIME=120315143045", t0), "+TIME: 12/03/15,14:30:45\r\n");
    EXPECT_EQ(say(plain, "AT+TIME?", t0 + 20s), "+TIME: 12/03/15,14:31:05\r\n");
    // Across midnight at the end of a leap February.
    EXPECT_EQ(say(plain, "AT+TIME=120229235959", t0), "+TIME: 12/02/29,23:59:59\r\n");
    EXPECT_EQ(say(plain, "AT+TIME?", t0 + 2s), "+TIME: 12/03/01,00:00:01\r\n");
    for (const char* cmd : {"AT+TIME=130229120000", "AT+TIME=121301000000", "AT+TIME=120315240000",
                            "AT+TIME=120315236000", "AT+TIME=12031514304", "AT+TIME=1203151430455", "AT+TIME=12O315143045"})
        EXPECT_EQ(say(plain, cmd, t0 + 2s), "ERROR\r\n") << cmd;
    EXPECT_EQ(say(plain, "AT+TIME?", t0 + 3s), "+TIME: 12/03/01,00:00:02\r\n");
}

TEST(LogRecordTest, LineIsByteExact) {
    LogRecord r;
    r.deviceId = "12345";
    r.stamp = "1203151430";
    r.moisture = {0x4000, 0x0000, 0x7FFF, 0xFFFF, 0x00A0, 0x1234};
    r.temperature = {0x7D, 0x00, 0xFF, 0x0A, 0x64, 0x01};
    r.rssi = 0x1F;
    r.rainCount = 0x0011;
    r.batteryMillivolts = 4050;  // 0FD2
    r.flags = 0;
    const std::string line = formatRecordLine(r);
    EXPECT_EQ(line, "@LOAD 12345,1203151430,400000007FFFFFFF00A01234,7D00FF0A6401,00110FD21F00\r\n");
    // The program takes a record apart only when it is longer than 69 characters with its CR,
    // and reads the RSSI at characters 9-10 of the trailer.
    const std::string stored = line.substr(0, line.size() - 1);
    EXPECT_GT(stored.size(), 69u);
    const auto trailer = stored.substr(stored.rfind(',') + 1);
    EXPECT_EQ(trailer.substr(8, 2), "1F");
}

TEST(LogRecordTest, ShortestDeviceIdStillGivesADecodableLine) {
    LogRecord r;
    r.deviceId = "1";
    r.stamp = "0001010000";
    EXPECT_GT(formatRecordLine(r).size() - 1, 69u);
}

TEST_F(ModelTest, EventAnswersHeldRecordsAndRefusesOthers) {
    EXPECT_EQ(say(plain, "AT+EVENT=4"), formatRecordLine(plain.state().records.at(4)));
    EXPECT_EQ(say(plain, "AT+EVENT=004"), formatRecordLine(plain.state().records.at(4)));
    for (const char* cmd : {"AT+EVENT=5", "AT+EVENT=4097", "AT+EVENT=", "AT+EVENT=-1", "AT+EVENT=1a",
                            "AT+EVENT=99999999999999999999999"})
        EXPECT_EQ(say(plain, cmd), "ERROR\r\n") << cmd;
}

TEST(PresetTest, RecordCountSetsPointerAndUnreadCount) {
    EXPECT_EQ(makePreset(Model::Plain, 0).logPointer, 0);
    EXPECT_EQ(makePreset(Model::Plain, 0).unreadLogs, 0);
    EXPECT_TRUE(makePreset(Model::Plain, 0).records.empty());
    // A full ring wraps the pointer to 0; the newest record is then 4096.
    const auto full = makePreset(Model::Plain, 99999);
    EXPECT_EQ(full.records.size(), static_cast<std::size_t>(kRecordSlots));
    EXPECT_EQ(full.logPointer, 0);
    EXPECT_TRUE(full.records.count(kLastRecord));
    for (const auto& [n, rec] : full.records) {
        ASSERT_EQ(rec.stamp.size(), 10u) << n;
        for (auto m : rec.moisture) ASSERT_NE(m, 0) << n;
    }
}

TEST(PresetTest, HubLogHoldsItsOwnAndNetworkRecords) {
    const auto s = makePreset(Model::Hub, 8);
    std::set<std::string> ids;
    for (const auto& [n, rec] : s.records) ids.insert(rec.deviceId);
    EXPECT_TRUE(ids.count(s.deviceId));
    EXPECT_TRUE(ids.count("1201"));
    EXPECT_FALSE(ids.count("0"));
}

TEST_F(ModelTest, ScanAnswersPerDeviceAfterItsDelay) {
    auto& s = hub.state();
    s.scanAnswers["1201"] = {0, 12, 85, 1500ms};
    s.scanAnswers["1202"] = {3, 0, 0, 40s};  // longer than the program waits
    s.scanAnswers["1204"] = {0, 0, 0, std::nullopt};
    s.scanDefault = {2, 0, 0, 250ms};

    auto r = hub.handle("AT+SCANID=1201,2", t0);
    EXPECT_EQ(r.text, "+SCANID: 1201,0,12,85\r\n");
    EXPECT_EQ(r.delay, 1500ms);
    r = hub.handle("AT+SCANID=1202,3", t0);
    EXPECT_EQ(r.text, "+SCANID: 1202,3,0,0\r\n");
    EXPECT_EQ(r.delay, 40s);
    r = hub.handle("AT+SCANID=1204,5", t0);
    EXPECT_TRUE(r.text.empty());
    r = hub.handle("AT+SCANID=999,8", t0);  // not configured: the default answer
    EXPECT_EQ(r.text, "+SCANID: 999,2,0,0\r\n");
    EXPECT_EQ(r.delay, 250ms);

    for (int status = 0; status <= 5; ++status) {
        s.scanAnswers["7"] = {status, 3, 4, 0ms};
        EXPECT_EQ(say(hub, "AT+SCANID=7,1"), "+SCANID: 7," + std::to_string(status) + ",3,4\r\n");
    }
    for (const char* cmd : {"AT+SCANID=1201,0", "AT+SCANID=1201,9", "AT+SCANID=1201", "AT+SCANID=,1", "AT+SCANID=12a,1"})
        EXPECT_EQ(say(hub, cmd), "ERROR\r\n") << cmd;
}

}  // namespace
}  // namespace kdsim
