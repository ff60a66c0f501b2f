#pragma once
// One log record as the archive keeps it: the values as numbers, taken apart from the raw
// line by the same rules the window shows it with.
#include <array>
#include <optional>
#include <string>

namespace kd::records {

struct ArchivedRecord {
    std::string deviceId;                  // UTF-8 (the line's bytes read as Latin-1)
    std::optional<int> logNumber;          // the number asked for; unknown for an answer nobody asked for
    std::string recordedAt;                // "YYYY-MM-DDThh:mm:00" local time; empty when the stamp is no date
    std::array<std::optional<double>, 6> moisture;     // %, sensor 1 first; none where the logger sent 0
    std::array<std::optional<double>, 6> temperature;  // degrees C
    std::optional<int> rssi;
    std::string raw;                       // the line exactly as received (its CR kept, no LF)
    std::string fetchedAt;                 // "YYYY-MM-DDThh:mm:ss" local time of the PC
};

// The record a "@LOAD" line holds, or nullopt for a line the window does not take apart.
std::optional<ArchivedRecord> DecodeRecord(const std::string& line, std::optional<int> logNumber,
                                           std::string fetchedAt);

// "YYYY-MM-DDThh:mm:00" from the logger's YYMMDDhhmm (first six and last four characters),
// empty when that is not a real date and time.
std::string IsoStamp(const std::string& stamp);

std::string Latin1ToUtf8(const std::string& bytes);

}  // namespace kd::records
