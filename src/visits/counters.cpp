#include "visits/counters.h"

namespace kd::visits {

std::optional<long> CounterChange(const std::optional<CounterReading>& before, long foundNow) {
    if (!before) return std::nullopt;
    return foundNow >= before->left ? foundNow - before->left : foundNow;
}

}  // namespace kd::visits
