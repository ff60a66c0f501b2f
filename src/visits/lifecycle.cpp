#include "visits/lifecycle.h"

namespace kd::visits {

VisitStep VisitLifecycle::on(VisitEvent event, int64_t now, const std::string& deviceId) {
    VisitStep step;
    auto end = [&] {
        if (!device_) return;
        step.endsOpenVisit = true;
        device_.reset();
        disconnectedAt_.reset();
    };
    switch (event) {
        case VisitEvent::ReadComplete:
            if (device_ && *device_ == deviceId) {
                disconnectedAt_.reset();
                break;
            }
            end();
            device_ = deviceId;
            step.beginsVisit = true;
            break;
        case VisitEvent::Disconnect:
            if (device_ && !disconnectedAt_) disconnectedAt_ = now;
            break;
        case VisitEvent::FileNew:
        case VisitEvent::Exit:
            end();
            break;
        case VisitEvent::Tick:
            if (disconnectedAt_ && now - *disconnectedAt_ >= kIdleAfterDisconnect) end();
            break;
    }
    return step;
}

}  // namespace kd::visits
