#pragma once
// What a technician would not want to leave behind at a logger, found from the open visit:
// listed in the "Before you leave" dialog, one line of reason each; nothing when all is well.
#include <optional>
#include <string>
#include <vector>

namespace kd::visits {

inline constexpr const char* kBeforeYouLeaveTitle = "Before you leave";
inline constexpr int64_t kClockTolerance = 60;  // seconds off before the clock needs setting

struct LeavingFacts {
    std::vector<std::string> editedNotUploaded;  // the settings shown red
    struct NotKept {
        std::string setting, sent, held;  // passwords already masked
    };
    std::vector<NotKept> notKept;
    std::optional<int> unread;            // unread records at the last read
    bool recordsDownloaded = false;       // a range download ran in this visit
    std::string loggingInterval, downloadInterval;  // the boxes' texts
    std::optional<int64_t> clockOffset;   // seconds, at the last read or after the last set
    bool clockSet = false;
    std::optional<std::string> registration;  // field 2 of "+CREG:"
};

enum class FindingKind { NotUploaded, NotKept, RecordsLeft, ClockOff, NotRegistered };

struct Finding {
    FindingKind kind;
    std::string reason;  // one line
};

std::vector<Finding> BeforeLeaving(const LeavingFacts& facts);

}  // namespace kd::visits
