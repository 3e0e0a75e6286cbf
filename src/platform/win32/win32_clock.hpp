// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include "platform/clock.hpp"

namespace quillon {

// Sleeps on a waitable timer, high-resolution where Windows offers one, so that the 10 ms tick
// does not fall to the 15.6 ms default timer resolution; window messages are dispatched while
// it waits.
class Win32Clock final : public Clock {
public:
    Win32Clock();
    ~Win32Clock() override;
    Win32Clock(const Win32Clock&) = delete;
    Win32Clock& operator=(const Win32Clock&) = delete;

    std::chrono::system_clock::time_point WallTime() override {
        return std::chrono::system_clock::now();
    }
    std::chrono::steady_clock::time_point Monotonic() override {
        return std::chrono::steady_clock::now();
    }
    void SleepUntil(std::chrono::steady_clock::time_point when) override;

    // Whether the timer is the high-resolution kind (otherwise the system timer runs at 1 ms
    // while this clock lives).
    bool HighResolution() const { return high_resolution_; }

private:
    HANDLE timer_ = nullptr;
    bool high_resolution_ = false;
};

}  // namespace quillon
