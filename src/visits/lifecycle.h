#pragma once
// When a visit begins, goes on and ends: from the first complete read of a device until
// another device is read, File > New, Exit, or a Disconnect followed by 30 minutes without a
// read. A later read of the same device while the visit is open goes on with it.
#include <cstdint>
#include <optional>
#include <string>

namespace kd::visits {

inline constexpr int64_t kIdleAfterDisconnect = 30 * 60;  // seconds

enum class VisitEvent { ReadComplete, Disconnect, FileNew, Exit, Tick };

struct VisitStep {
    bool endsOpenVisit = false;  // the open visit ends now
    bool beginsVisit = false;    // a new visit begins now (with this read's device)
};

class VisitLifecycle {
public:
    // now: the computer's time in seconds (any steady origin); deviceId for ReadComplete.
    VisitStep on(VisitEvent event, int64_t now, const std::string& deviceId = {});
    bool open() const { return device_.has_value(); }
    const std::string& device() const { return *device_; }

private:
    std::optional<std::string> device_;
    std::optional<int64_t> disconnectedAt_;
};

}  // namespace kd::visits
