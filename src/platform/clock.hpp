// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace quillon {

// Wall time for messages, monotonic time for timers.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point WallTime() = 0;
    virtual std::chrono::steady_clock::time_point Monotonic() = 0;
};

}  // namespace quillon
