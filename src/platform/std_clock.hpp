// SPDX-License-Identifier: MIT
#pragma once

#include <thread>

#include "platform/clock.hpp"

namespace quillon {

class StdClock final : public Clock {
public:
    std::chrono::system_clock::time_point WallTime() override {
        return std::chrono::system_clock::now();
    }
    std::chrono::steady_clock::time_point Monotonic() override {
        return std::chrono::steady_clock::now();
    }
    void SleepUntil(std::chrono::steady_clock::time_point when) override {
        std::this_thread::sleep_until(when);
    }
};

}  // namespace quillon
