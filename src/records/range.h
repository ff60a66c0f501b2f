#pragma once
// Log numbers as a range download sees them: a ring of 4096 records (0..4095), so a range
// may run over the end (4090 to 5 is 12 records). A range always holds 1 to 4096 records.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd::records {

inline constexpr int kRingSize = 4096;

struct RecordRange {
    int from = 0;  // first log number, 0..4095
    int to = 0;    // last log number, 0..4095; before `from` when the range wraps
    int count() const { return (to - from + kRingSize) % kRingSize + 1; }
    // The i-th log number of the range (0 <= i < count()).
    int at(int i) const { return (from + i) % kRingSize; }
};

// A log number as typed: digits only (blanks around them allowed), 0..4095. Empty or anything
// else gives nullopt.
std::optional<int> ParseLogNumber(std::string_view text);

// The unread records of the last read: pointer - unread to pointer - 1, wrapped into the ring,
// from the texts of the log pointer and unread count the logger reported. nullopt when either
// is not a whole number of 0 or more, or nothing is unread. More than 4096 unread is the whole ring.
std::optional<RecordRange> UnreadRange(std::string_view pointer, std::string_view unread);

// Every record of the ring, oldest first: from the pointer round to pointer - 1.
std::optional<RecordRange> WholeRing(std::string_view pointer);

// "17, 18, 40-45": the log numbers in the order given, runs of three or more joined.
std::string ListLogNumbers(const std::vector<int>& numbers);

}  // namespace kd::records
