#include "records/range.h"

#include <charconv>

namespace kd::records {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A whole number of 0 or more, at most 9 digits (the logger's counters are far below that).
std::optional<long> Count(std::string_view text) {
    const std::string_view s = Trimmed(text);
    if (s.empty() || s.size() > 9) return std::nullopt;
    long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || v < 0) return std::nullopt;
    return v;
}

}  // namespace

std::optional<int> ParseLogNumber(std::string_view text) {
    const std::optional<long> v = Count(text);
    if (!v || *v >= kRingSize) return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<RecordRange> UnreadRange(std::string_view pointer, std::string_view unread) {
    const std::optional<long> p = Count(pointer), u = Count(unread);
    if (!p || !u || *u == 0) return std::nullopt;
    const long n = *u > kRingSize ? kRingSize : *u;
    const int to = static_cast<int>((*p - 1 + kRingSize) % kRingSize);
    const int from = static_cast<int>((*p - n + kRingSize) % kRingSize);
    return RecordRange{from, to};
}

std::optional<RecordRange> WholeRing(std::string_view pointer) {
    const std::optional<long> p = Count(pointer);
    if (!p) return std::nullopt;
    const int from = static_cast<int>(*p % kRingSize);
    return RecordRange{from, (from + kRingSize - 1) % kRingSize};
}

std::string ListLogNumbers(const std::vector<int>& numbers) {
    std::string out;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (!out.empty()) out += ", ";
        if (j - i >= 2) {
            out += std::to_string(numbers[i]) + "-" + std::to_string(numbers[j]);
            i = j + 1;
        } else {
            out += std::to_string(numbers[i]);
            ++i;
        }
    }
    return out;
}

}  // namespace kd::records
