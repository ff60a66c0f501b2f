#pragma once
// A logger's history from its visits: one row a visit with the health since the visit before,
// the clock's drift, and two sides compared setting by setting.
#include <optional>
#include <string>
#include <vector>

#include "visits/visit.h"

namespace kd::visits {

struct HistoryRow {
    int64_t visitId = 0;
    int64_t started = 0;
    std::string user, battery;
    std::string watchdog, coldStarts;  // as found
    std::optional<long> watchdogChange, coldStartChange;  // since the visit before
    std::optional<int64_t> clockFound, clockLeft;
    int valuesChanged = 0;   // values sent that the logger kept
    int recordsRescued = 0;  // records received by downloads
};

// Rows for visits given newest first, in that order.
std::vector<HistoryRow> HistoryRows(const std::vector<Visit>& newestFirst);

// Seconds per 30 days, from visits newest first; nullopt without two visits with a clock.
std::optional<double> ClockDrift(const std::vector<Visit>& newestFirst);

// One row per setting whose value differs between two sides (a visit's found values, or a
// profile's values under the same keys). A password differs when its digest does; its
// values show as dots. Keys only one side holds count as differing only when that side has
// a value.
struct CompareRow {
    std::string caption, left, right;
};
std::vector<CompareRow> Compare(const std::vector<FoundValue>& left, const std::vector<FoundValue>& right);

// What a password shows as wherever a visit is shown: its length is not kept.
inline constexpr const char* kPasswordDots = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

// The value a counter was left at by a visit: what a clear command's answer said, else what
// the read found.
long CounterLeft(const Visit& v, const std::string& key);

}  // namespace kd::visits
