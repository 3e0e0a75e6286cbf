// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

#include "platform/clock.hpp"

namespace quillon {

// Time that passes only when someone waits: a wait ends at once with the clock moved to its
// end, so the timers of a loop fire in order as fast as the machine allows, and every timing
// rule works as it does in real time.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::chrono::system_clock::time_point wall_start)
        : wall_start_(wall_start) {}

    std::chrono::system_clock::time_point WallTime() override {
        return wall_start_ +
               std::chrono::duration_cast<std::chrono::system_clock::duration>(now_ - Origin());
    }
    std::chrono::steady_clock::time_point Monotonic() override { return now_; }
    void SleepUntil(std::chrono::steady_clock::time_point when) override {
        if (when > now_) {
            now_ = when;
        }
    }

    // Seconds since the clock began.
    double Seconds() const { return std::chrono::duration<double>(now_ - Origin()).count(); }

private:
    static std::chrono::steady_clock::time_point Origin() { return {}; }

    std::chrono::system_clock::time_point wall_start_;
    std::chrono::steady_clock::time_point now_{};
};

}  // namespace quillon
