// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>

#include "ui/win32/windows_api.hpp"

namespace quillon {

// The 10 ms scan tick as a message to the window: a multimedia timer, accurate to 1 ms, whose
// callback only posts. The core runs where the message is handled, on the window's thread,
// and modal boxes' own message loops deliver the ticks as the main loop does. At most one tick
// waits in the queue: a tick that is late is not made up for.
class ScanTickSource {
public:
    // Where no multimedia timer can be had, a window timer of this id stands in: its WM_TIMER
    // is a scan tick too (about 16 ms apart, but the cycle still runs).
    static constexpr UINT_PTR kFallbackTimerId = 0x5CA9;

    using PostFunction = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

    ScanTickSource(HWND target, UINT message, std::chrono::milliseconds period,
                   PostFunction post = &::PostMessageW);
    ~ScanTickSource();
    ScanTickSource(const ScanTickSource&) = delete;
    ScanTickSource& operator=(const ScanTickSource&) = delete;

    void Start();
    void Stop();
    bool Running() const { return running_; }
    // The window has taken the waiting tick: the next one may be posted.
    void TickTaken() { pending_.store(false); }

private:
    static void CALLBACK Fire(UINT timer, UINT reserved, DWORD_PTR self, DWORD_PTR, DWORD_PTR);
    void Post();

    HWND target_;
    UINT message_;
    UINT period_;
    PostFunction post_;
    UINT multimedia_timer_ = 0;
    bool window_timer_ = false;  // where no multimedia timer could be had
    bool running_ = false;
    std::atomic<bool> pending_{false};
};

}  // namespace quillon
