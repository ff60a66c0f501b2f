#pragma once
// Runs the program's model timers on Qt timers: one QTimer per model Timer, on the UI thread.
#include <memory>
#include <unordered_map>

#include "app/timer.h"

class QTimer;

namespace kd {

class QtTimerDriver final : public TimerDriver {
public:
    QtTimerDriver();
    ~QtTimerDriver() override;
    QtTimerDriver(const QtTimerDriver&) = delete;
    QtTimerDriver& operator=(const QtTimerDriver&) = delete;

    void timerChanged(Timer& timer) override;
    void timerGone(Timer& timer) override;

    // For tests: whether the Qt timer behind a model timer is running, and its period.
    bool isRunning(const Timer& timer) const;
    int runningInterval(const Timer& timer) const;

private:
    struct Slot {
        std::unique_ptr<QTimer> qt;
        bool firing = false;
    };
    void fire(Timer* timer);

    std::unordered_map<const Timer*, Slot> slots_;
};

}  // namespace kd
