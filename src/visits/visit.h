#pragma once
// One visit to one logger: what the read found, and in order what was done.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kd::visits {

// A value the read found, with the window's caption and a stable key ("battery_volts").
// A password is never kept as text: only its digest, which shows a change between visits.
struct FoundValue {
    std::string key, caption, value;
    std::string digest;  // set instead of value for a password
};

enum class ActionKind { ValueSent, ProfileApplied, RecordsDownloaded, Maintenance, ClockSet, CustomCommand, SignalSpan };

struct Action {
    int64_t at = 0;  // UTC seconds since 1970
    ActionKind kind = ActionKind::ValueSent;
    std::string what;              // setting, profile file name, range "30-59", command
    std::string sent, held;        // a value sent and what the logger then held (digests for passwords);
                                   // for a download, held lists the records not received; for a
                                   // signal span (what: its name), sent is the mean, held "min-max"
    bool kept = true;              // the logger kept it / the command was answered
    int received = 0, missing = 0; // a download's records received and not received
};

struct Visit {
    int64_t id = 0;      // the archive's row; 0 before it is first stored
    std::string uuid;    // the visit's identity wherever archives are pooled
    std::string deviceId, model, firmware;
    int64_t started = 0;               // UTC seconds
    std::optional<int64_t> ended;      // nullopt while open
    std::string user, host, version, face;  // face: "window" or "command line"
    std::vector<FoundValue> found;
    std::vector<Action> actions;
    std::optional<int64_t> clockFound, clockLeft;  // offsets in seconds (logger minus computer)
    std::vector<std::string> leftBehind;           // what "Before you leave" found at the end

    // The found value of a key, "" when the read did not give it.
    const std::string& value(const std::string& key) const;
};

inline constexpr const char* ActionKindName(ActionKind k) {
    switch (k) {
        case ActionKind::ValueSent: return "value";
        case ActionKind::ProfileApplied: return "profile";
        case ActionKind::RecordsDownloaded: return "records";
        case ActionKind::Maintenance: return "maintenance";
        case ActionKind::ClockSet: return "clock";
        case ActionKind::CustomCommand: return "command";
        case ActionKind::SignalSpan: return "signal";
    }
    return "value";
}

// A digest of a password as it stood on one device's row: equal values give equal digests, so
// a change shows, and the text cannot be read back.
std::string PasswordDigest(const std::string& deviceId, const std::string& key, const std::string& value);

// A random version-4 UUID.
std::string NewUuid();

}  // namespace kd::visits
