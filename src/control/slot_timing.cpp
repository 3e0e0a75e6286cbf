// SPDX-License-Identifier: MIT
#include "control/slot_timing.hpp"

#include <algorithm>

namespace quillon {

std::int64_t SlotTiming::DelayTicks(std::int32_t delay_ms, std::chrono::milliseconds period) {
    const std::int64_t step = std::max<std::int64_t>(1, period.count());
    const std::int64_t delay = std::max<std::int64_t>(0, delay_ms);
    return (delay + step - 1) / step;
}

bool SlotTiming::Step(bool demand, const SlotTimingSettings& settings,
                      std::chrono::milliseconds period) {
    if (demand == on_) {
        pending_ = 0;
        return on_;
    }
    ++pending_;
    if (on_ && latched_) {
        return on_;
    }
    const std::int32_t delay = on_ ? settings.off_delay_ms : settings.on_delay_ms;
    if (pending_ > DelayTicks(delay, period)) {
        on_ = demand;
        pending_ = 0;
        latched_ = on_ && settings.latch;
    }
    return on_;
}

void SlotTiming::Bypass(bool on) {
    on_ = on || latched_;
    pending_ = 0;
}

bool SlotTiming::Acknowledge() {
    const bool was_latched = latched_;
    latched_ = false;
    return was_latched;
}

void SlotTiming::Restart() {
    on_ = latched_;
    pending_ = 0;
}

}  // namespace quillon
