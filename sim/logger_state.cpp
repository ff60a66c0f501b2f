#include "logger_state.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kdsim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string stampOf(std::chrono::sys_seconds t) {
    using namespace std::chrono;
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02u%02u%02d%02d", static_cast<int>(ymd.year()) % 100,
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()));
    return buf;
}

}  // namespace

int modelCode(const std::string& firmware) {
    if (firmware.size() < 4 || !isDigit(firmware[2]) || !isDigit(firmware[3])) return -1;
    return (firmware[2] - '0') * 10 + (firmware[3] - '0');
}

bool isHub(const LoggerState& s) { return modelCode(s.firmware) == 3; }

bool offersSimType(const LoggerState& s) {
    return s.firmware.size() >= 4 && isDigit(s.firmware[3]) && s.firmware[3] > '5';
}

LogRecord makeRecord(const LoggerState& s, int number) {
    LogRecord r;
    r.deviceId = s.deviceId;
    if (isHub(s)) {
        // A hub's log mixes its own probe's records with those collected by radio.
        std::vector<std::string> members;
        for (const auto& id : s.deviceTable)
            if (!id.empty() && std::any_of(id.begin(), id.end(), [](char c) { return c != '0'; }))
                members.push_back(id);
        if (!members.empty()) r.deviceId = members[static_cast<std::size_t>(number) % members.size()];
    }
    const auto start = std::chrono::sys_days{std::chrono::year{2012} / 3 / 1};
    r.stamp = stampOf(start + std::chrono::minutes{static_cast<long>(number) * std::max(1, s.logInterval)});
    for (std::size_t k = 0; k < r.moisture.size(); ++k) {
        r.moisture[k] = static_cast<std::uint16_t>(0x3000 + ((number * 37 + static_cast<int>(k) * 0x0800) % 0x4000));
        r.temperature[k] = static_cast<std::uint8_t>(0x5A + (number + static_cast<int>(k) * 3) % 40);
    }
    r.rssi = static_cast<std::uint8_t>(0x10 + number % 16);
    r.rainCount = static_cast<std::uint16_t>(number % 50);
    r.batteryMillivolts = static_cast<std::uint16_t>(4100 - number % 200);
    return r;
}

LoggerState makePreset(Model model, int records) {
    LoggerState s;
    switch (model) {
        case Model::Plain:
            s.firmware = "V202.1";
            break;
        case Model::SimType:
            s.firmware = "V209.3";
            break;
        case Model::Hub:
            s.firmware = "V203.2";
            s.deviceTable = {s.deviceId, "1201", "1202", "0", "1204", "0", "0", "0"};
            s.scanAnswers[s.deviceId] = ScanAnswer{0, 40, 100, std::chrono::milliseconds{1500}};
            s.scanAnswers["1201"] = ScanAnswer{0, 12, 85, std::chrono::milliseconds{3000}};
            s.scanAnswers["1202"] = ScanAnswer{4, 0, 0, std::chrono::milliseconds{2000}};
            s.scanAnswers["1204"] = ScanAnswer{2, 0, 0, std::nullopt};
            break;
    }
    records = std::clamp(records, 0, kRecordSlots);
    for (int n = 0; n < records; ++n) s.records[n] = makeRecord(s, n);
    s.logPointer = records % kRecordSlots;
    s.unreadLogs = records;
    return s;
}

std::string formatRecordLine(const LogRecord& r) {
    std::string line = "@LOAD " + r.deviceId + "," + r.stamp + ",";
    char buf[8];
    for (auto w : r.moisture) {
        std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(w));
        line += buf;
    }
    line += ',';
    for (auto t : r.temperature) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(t));
        line += buf;
    }
    line += ',';
    char trailer[16];
    std::snprintf(trailer, sizeof trailer, "%04X%04X%02X%02X", static_cast<unsigned>(r.rainCount),
                  static_cast<unsigned>(r.batteryMillivolts), static_cast<unsigned>(r.rssi),
                  static_cast<unsigned>(r.flags));
    line += trailer;
    line += "\r\n";
    return line;
}

}  // namespace kdsim
