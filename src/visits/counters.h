#pragma once
// The change of a logger's watchdog or cold-start counter since the visit before.
#include <optional>

namespace kd::visits {

struct CounterReading {
    long found = 0;  // what the read found
    long left = 0;   // what the visit left: 0 after a clear, else what was found
};

// found now less what the visit before left; a counter that fell was cleared since (by
// another tool or a reset), so it counts from zero. nullopt for a first visit.
std::optional<long> CounterChange(const std::optional<CounterReading>& before, long foundNow);

}  // namespace kd::visits
