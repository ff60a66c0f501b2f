#pragma once
// The wall clock and program exit for the running program.
#include "app/platform.h"

namespace kd {

class QtClock final : public Clock {
public:
    std::tm localNow() const override;
    LocalTime localNowPrecise() const override;
};

class QtExit final : public ProgramExit {
public:
    // Ends the process at once; the core has already closed the port.
    void exitNow() override;
};

}  // namespace kd
