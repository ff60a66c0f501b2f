#pragma once
// How far a logger's clock is from the computer's: its "+TIME:" answer against the computer's
// local time when the answer arrived, to the second, and that offset in words and as a drift.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd::visits {

// Seconds the logger's clock is ahead of the computer's (negative: behind) from the text of a
// "+TIME:" answer ("yy/mm/dd,hh:mm:ss", a four-digit year or a trailing zone accepted) and the
// computer's local time at its arrival. nullopt when the text is no date and time.
std::optional<int64_t> ClockOffsetSeconds(std::string_view loggerTime, const std::tm& pcLocal);

// "logger 3 min 12 s slow", "logger 1 h 2 min fast", "logger clock right" (under a second).
std::string OffsetWords(int64_t offsetSeconds);

// Seconds since 1970-01-01 of a civil date and time, with no time zone (both clocks compared
// are local, so neither needs one).
int64_t CivilSeconds(int year, int month, int day, int hour, int minute, int second);
int64_t CivilSeconds(const std::tm& t);

// One visit's clock: when it was read, the offset found, and the offset left (after a clock
// set; the offset found when the clock was not set).
struct ClockReading {
    int64_t at = 0;  // computer's civil seconds
    int64_t found = 0;
    int64_t left = 0;
};

// The clock's drift in seconds per 30 days, from each visit's offset found against the offset
// the visit before left, over the time between them; nullopt with fewer than two visits.
std::optional<double> DriftPer30Days(const std::vector<ClockReading>& visitsOldestFirst);

}  // namespace kd::visits
