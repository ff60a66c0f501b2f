#pragma once
// Timers are model objects; a driver runs them: Qt timers in the program, a virtual clock in
// tests (a 35-second scan runs in microseconds).
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace kd {

class Timer;

class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    // Called whenever a timer is enabled, disabled or gets a new interval.
    virtual void timerChanged(Timer& timer) = 0;
    virtual void timerGone(Timer& timer) = 0;
};

class Timer {
public:
    Timer(std::string name, int intervalMs, bool enabled)
        : name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {}
    ~Timer() { if (driver_) driver_->timerGone(*this); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    int interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    // Enabling a running timer leaves its period alone; disabling and enabling restarts it.
    void setEnabled(bool on) {
        if (on == enabled_) return;
        enabled_ = on;
        if (driver_) driver_->timerChanged(*this);
    }
    // A new interval restarts the period, as the original toolkit did.
    void setInterval(int ms) {
        interval_ = ms;
        if (driver_) driver_->timerChanged(*this);
    }
    void attach(TimerDriver* driver) {
        // The old driver must forget this timer, or it could fire it after it is gone.
        if (driver_ && driver_ != driver) driver_->timerGone(*this);
        driver_ = driver;
        if (driver_) driver_->timerChanged(*this);
    }
    void fire() { if (onTimer) onTimer(); }

    std::function<void()> onTimer;

private:
    std::string name_;
    int interval_;
    bool enabled_;
    TimerDriver* driver_ = nullptr;
};

// Deterministic driver for tests: time moves only when advance() is called.
class VirtualClock : public TimerDriver {
public:
    void timerChanged(Timer& timer) override;
    void timerGone(Timer& timer) override { due_.erase(&timer); }
    // Moves time forward, firing every due timer in time order (ties in arming order).
    void advance(int64_t ms);
    int64_t now() const { return now_; }

private:
    struct Due { int64_t at; uint64_t seq; };
    std::map<Timer*, Due> due_;
    int64_t now_ = 0;
    uint64_t seq_ = 0;
};

}  // namespace kd
