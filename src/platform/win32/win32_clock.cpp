// SPDX-License-Identifier: MIT
#include "platform/win32/win32_clock.hpp"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <thread>

#include "platform/win32/message_pump.hpp"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace quillon {

Win32Clock::Win32Clock() {
    timer_ = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
    high_resolution_ = timer_ != nullptr;
    if (!high_resolution_) {
        // Older Windows: a plain timer, with the system timer at its finest for our lifetime.
        timer_ = ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
        ::timeBeginPeriod(1);
    }
}

Win32Clock::~Win32Clock() {
    if (!high_resolution_) {
        ::timeEndPeriod(1);
    }
    if (timer_ != nullptr) {
        ::CloseHandle(timer_);
    }
}

void Win32Clock::SleepUntil(std::chrono::steady_clock::time_point when) {
    for (;;) {
        const auto left = when - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            DispatchWaitingMessages();
            return;
        }
        if (timer_ == nullptr) {
            DispatchWaitingMessages();
            std::this_thread::sleep_for(left);
            continue;
        }
        // Negative: relative, in 100 ns units.
        LARGE_INTEGER due;
        due.QuadPart = -std::max<LONGLONG>(
            1, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() / 100);
        ::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
        const auto patience = std::chrono::duration_cast<std::chrono::milliseconds>(left) +
                              std::chrono::milliseconds(1);
        WaitDispatchingMessages(timer_, patience);
    }
}

}  // namespace quillon
