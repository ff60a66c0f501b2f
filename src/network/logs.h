#pragma once
// Log records: fetching by number, the newest at the end of a read, showing, storing and
// paging through the records fetched.
#include <optional>
#include <string>

namespace kd {

class Program;

// A record line taken apart as the panel takes it; nullopt for a line of 69 characters or
// fewer, which is not taken apart at all. The trailer has lost its last two characters.
struct LogLineParts {
    std::string deviceId, stamp, moisture, temperature, trailer;
};
std::optional<LogLineParts> SplitLogRecord(const std::string& line);
// Sensor k's value (0..5) from a whole block (24 and 12 characters): nullopt where the logger
// sent none (a word or byte of 0). The panel shows these; the records archive stores them.
std::optional<double> MoistureValue(const std::string& block, int k);
std::optional<double> TemperatureValue(const std::string& block, int k);
// The signal strength, nullopt when the trailer is too short to hold it.
std::optional<int> RssiValue(const std::string& trailer);

void FetchNewestRecord(Program& p);
void ApplyLogRecord(Program& p, const std::string& line);
void StoreLogRecord(Program& p);

// Asking for records and paging through them (log_browse.cpp).
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyDown = 40;
void FetchLog_Click(Program& p);
void LogBox_KeyDown(Program& p, int keyCode);
void Nextlog_Click(Program& p);
void Prevlog_Click(Program& p);
void ShowLogRecord(Program& p);

}  // namespace kd
