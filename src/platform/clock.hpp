// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace quillon {

// Wall time for messages, monotonic time and waiting for the loops that run timers, so that
// their timing can be tested and replayed.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point WallTime() = 0;
    virtual std::chrono::steady_clock::time_point Monotonic() = 0;
    virtual void SleepUntil(std::chrono::steady_clock::time_point when) = 0;
};

}  // namespace quillon
