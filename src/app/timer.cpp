#include "app/timer.h"

namespace kd {

void VirtualClock::timerChanged(Timer& timer) {
    if (timer.enabled() && timer.interval() > 0)
        due_[&timer] = Due{now_ + timer.interval(), ++seq_};
    else
        due_.erase(&timer);
}

void VirtualClock::advance(int64_t ms) {
    const int64_t end = now_ + ms;
    for (;;) {
        Timer* next = nullptr;
        Due best{};
        for (auto& [timer, due] : due_) {
            if (due.at > end) continue;
            if (!next || due.at < best.at || (due.at == best.at && due.seq < best.seq)) {
                next = timer;
                best = due;
            }
        }
        if (!next) break;
        now_ = best.at;
        // Re-arm before firing, so a handler that changes the timer has the last word.
        due_[next] = Due{now_ + next->interval(), ++seq_};
        next->fire();
    }
    now_ = end;
}

}  // namespace kd
