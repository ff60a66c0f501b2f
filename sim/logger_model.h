#pragma once
// The logger's command interpreter: one command line in, at most one reply line out. No I/O
// and no threads, so every answer can be checked without a serial line.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "logger_state.h"

namespace kdsim {

struct Reply {
    std::string text;                        // whole line with CR LF; empty = nothing to send
    std::chrono::milliseconds delay{0};      // extra time the logger needs before answering
};

class LoggerModel {
public:
    using Clock = std::chrono::steady_clock;

    explicit LoggerModel(LoggerState state, Clock::time_point now = Clock::now());

    // `line` is one command without its line end.
    Reply handle(std::string_view line, Clock::time_point now);

    // The "+SS:" and "+AIRTIME:" lines sent unprompted; the air time grows with every call.
    std::string unsolicited();

    const LoggerState& state() const { return state_; }
    // For direct changes between commands; the clock keeps running from `state().clock` as
    // last set through setClock() or the constructor.
    LoggerState& state() { return state_; }

    std::chrono::sys_seconds clockAt(Clock::time_point now) const;
    void setClock(std::chrono::sys_seconds t, Clock::time_point now);

private:
    Reply query(const std::string& name, Clock::time_point now);
    Reply set(const std::string& name, std::string_view value, Clock::time_point now);
    Reply event(std::string_view value);
    Reply scan(std::string_view value);
    std::string timeText(Clock::time_point now) const;

    LoggerState state_;
    Clock::time_point clockAnchor_;
};

}  // namespace kdsim
