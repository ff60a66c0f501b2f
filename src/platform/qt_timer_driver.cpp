#include "platform/qt_timer_driver.h"

#include <QTimer>

namespace kd {

QtTimerDriver::QtTimerDriver() = default;
QtTimerDriver::~QtTimerDriver() = default;

void QtTimerDriver::timerChanged(Timer& timer) {
    Slot& slot = slots_[&timer];
    if (!slot.qt) {
        slot.qt = std::make_unique<QTimer>();
        // Precise: the clock in the caption and the scan countdown count whole seconds.
        slot.qt->setTimerType(Qt::PreciseTimer);
        Timer* t = &timer;
        QObject::connect(slot.qt.get(), &QTimer::timeout, slot.qt.get(), [this, t] { fire(t); });
    }
    if (timer.enabled() && timer.interval() > 0)
        slot.qt->start(timer.interval());  // (re)starts the period, as a new interval must
    else
        slot.qt->stop();
}

void QtTimerDriver::timerGone(Timer& timer) { slots_.erase(&timer); }

void QtTimerDriver::fire(Timer* timer) {
    auto it = slots_.find(timer);
    if (it == slots_.end()) return;
    // A handler that opens a modal box keeps the event loop running; its own timer must not
    // enter it again underneath (the original toolkit did not nest a timer's events either).
    if (it->second.firing) return;
    it->second.firing = true;
    timer->fire();
    // The handler may have ended the timer's life (a dialog closing): look it up afresh.
    it = slots_.find(timer);
    if (it != slots_.end()) it->second.firing = false;
}

bool QtTimerDriver::isRunning(const Timer& timer) const {
    auto it = slots_.find(&timer);
    return it != slots_.end() && it->second.qt->isActive();
}

int QtTimerDriver::runningInterval(const Timer& timer) const {
    auto it = slots_.find(&timer);
    return it != slots_.end() && it->second.qt->isActive() ? it->second.qt->interval() : 0;
}

}  // namespace kd
