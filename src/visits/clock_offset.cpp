#include "visits/clock_offset.h"

#include <cstdlib>

namespace kd::visits {

namespace {

// The digits of a number at text[at..], at most maxDigits; false when none.
bool TakeNumber(std::string_view text, size_t& at, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    return digits > 0;
}

bool Take(std::string_view text, size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

int64_t CivilSeconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
           minute * 60 + second;
}

int64_t CivilSeconds(const std::tm& t) {
    return CivilSeconds(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

std::optional<int64_t> ClockOffsetSeconds(std::string_view text, const std::tm& pcLocal) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '"')) ++at;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const size_t yearStart = at;
    if (!TakeNumber(text, at, 4, y)) return std::nullopt;
    const bool fourDigits = at - yearStart == 4;
    if (!Take(text, at, '/') || !TakeNumber(text, at, 2, mo) || !Take(text, at, '/') || !TakeNumber(text, at, 2, d))
        return std::nullopt;
    if (!Take(text, at, ',') && !Take(text, at, ' ')) return std::nullopt;
    if (!TakeNumber(text, at, 2, h) || !Take(text, at, ':') || !TakeNumber(text, at, 2, mi) || !Take(text, at, ':') ||
        !TakeNumber(text, at, 2, s))
        return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return std::nullopt;
    if (!fourDigits) {
        // A two-digit year is taken in the century that puts it nearest the computer's year, so
        // a logger clock at 99 read in 2000 is a year slow, not a century fast.
        const int pcYear = pcLocal.tm_year + 1900;
        y += pcYear - pcYear % 100;
        if (y - pcYear > 50) y -= 100;
        if (pcYear - y > 50) y += 100;
    }
    return CivilSeconds(y, mo, d, h, mi, s) - CivilSeconds(pcLocal);
}

std::string OffsetWords(int64_t offset) {
    if (offset == 0) return "logger clock right";
    int64_t left = std::llabs(offset);
    const int64_t days = left / 86400;
    left %= 86400;
    const int64_t hours = left / 3600;
    left %= 3600;
    const int64_t minutes = left / 60;
    const int64_t seconds = left % 60;
    // The two largest units say enough to decide whether to set the clock.
    std::string words = "logger ";
    auto two = [&words](int64_t a, const char* ua, int64_t b, const char* ub) {
        words += std::to_string(a) + " " + ua + " " + std::to_string(b) + " " + ub;
    };
    if (days > 0)
        two(days, days == 1 ? "day" : "days", hours, "h");
    else if (hours > 0)
        two(hours, "h", minutes, "min");
    else if (minutes > 0)
        two(minutes, "min", seconds, "s");
    else
        words += std::to_string(seconds) + " s";
    words += offset < 0 ? " slow" : " fast";
    return words;
}

std::optional<double> DriftPer30Days(const std::vector<ClockReading>& visits) {
    // Each pair of visits gives the clock's gain over the time between them; the drift is the
    // total gain over the total time, so a short hop weighs no more than its length.
    double gained = 0, elapsed = 0;
    for (size_t i = 1; i < visits.size(); ++i) {
        const int64_t span = visits[i].at - visits[i - 1].at;
        if (span <= 0) continue;
        gained += static_cast<double>(visits[i].found - visits[i - 1].left);
        elapsed += static_cast<double>(span);
    }
    if (elapsed <= 0) return std::nullopt;
    return gained / elapsed * 30 * 86400;
}

}  // namespace kd::visits
