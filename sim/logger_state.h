#pragma once
// What a simulated logger holds: its parameters, counters, clock, hub table and log records,
// plus the three ready-made models (plain logger, logger with SIM type, hub).
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kdsim {

enum class Model { Plain, SimType, Hub };

// Highest log record number; records are numbered 0..kLastRecord in a ring.
inline constexpr int kLastRecord = 4096;
inline constexpr int kRecordSlots = kLastRecord + 1;

struct LogRecord {
    std::string deviceId;                  // device that made the record
    std::string stamp;                     // YYMMDDhhmm, ten digits
    std::array<std::uint16_t, 6> moisture{};
    std::array<std::uint8_t, 6> temperature{};
    std::uint8_t rssi = 0;
    std::uint16_t rainCount = 0;
    std::uint16_t batteryMillivolts = 0;
    std::uint8_t flags = 0;
};

// How the hub answers a scan of one device.
struct ScanAnswer {
    int status = 0;      // 0 ok, 1 RF busy, 2 no reply, 3 response fault, 4 no logs, 5 type fault
    int logs = 0;
    int remainder = 0;
    // Time the radio exchange takes; nullopt = the hub never answers.
    std::optional<std::chrono::milliseconds> delay = std::chrono::milliseconds{3000};
};

struct LoggerState {
    std::string deviceId = "12345";
    int logPointer = 0;
    int unreadLogs = 0;
    int logInterval = 30;
    int downloadInterval = 120;
    std::string simIccid = "8927000000000000001";   // first field of +OWNSIM
    std::string simNumber = "8927123400000000017";  // second field of +OWNSIM: 15 to 24 characters
    std::string ownNumber = "27821234567";
    std::string apnName = "internet";
    std::string apnUser = "guest";
    std::string apnPassword = "guest";
    std::string ftpServer = "ftp.example.com";
    std::string ftpUser = "logger";
    std::string ftpPassword = "secret";
    std::string homeNumber = "27831234567";
    std::string firmware = "V202.1";
    int simType = 1;          // 0 contract, 1 prepaid
    int prepaidNetwork = 2;   // 0..3
    int watchdogCount = 3;
    int coldStarts = 7;
    int autoPowerDown = 300;
    // Wall-clock time of the logger when the simulator starts; it runs on from there.
    std::chrono::sys_seconds clock =
        std::chrono::sys_days{std::chrono::year{2012} / 3 / 15} + std::chrono::hours{14} +
        std::chrono::minutes{30};
    int modemPower = 1;
    std::string batteryVolts = "4.05";
    int cregMode = 0;
    int cregStatus = 1;       // 1 home, 5 roaming, anything else off-line
    std::array<std::string, 8> deviceTable{"0", "0", "0", "0", "0", "0", "0", "0"};
    int radioChannel = 2;
    int rainCount = 17;
    int signalPercent = 23;   // sent as +SS
    int airtimeCents = 1250;  // sent as +AIRTIME, in hundredths
    std::map<int, LogRecord> records;
    std::map<std::string, ScanAnswer> scanAnswers;  // by device ID as sent
    ScanAnswer scanDefault{2, 0, 0, std::chrono::milliseconds{3000}};
};

// Model traits as the firmware text encodes them (characters 3-4 = model code).
int modelCode(const std::string& firmware);
bool isHub(const LoggerState& s);
bool offersSimType(const LoggerState& s);

// A preset with `records` log records (clamped to 0..kRecordSlots) numbered from 0, the log
// pointer just past the newest one.
LoggerState makePreset(Model model, int records = 5);

// The record that a logger with this state would write as record `number`.
LogRecord makeRecord(const LoggerState& s, int number);

// "@LOAD id,YYMMDDhhmm,<24 hex>,<12 hex>,<trailer>" CR LF. The trailer is rain count (4 hex),
// battery millivolts (4 hex), RSSI (2 hex) and flags (2 hex), so the RSSI sits at characters
// 9-10 of the trailer.
std::string formatRecordLine(const LogRecord& r);

}  // namespace kdsim
