// SPDX-License-Identifier: MIT
#include "ui/win32/scan_tick_source.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace quillon::testing {
namespace {

constexpr UINT kTickMessage = WM_APP + 7;

std::atomic<int> refusals_left{0};

// A queue that is full for the first few posts, as a busy window's can be.
BOOL WINAPI PostRefusedAtFirst(HWND target, UINT message, WPARAM w, LPARAM l) {
    if (refusals_left.fetch_sub(1) > 0) {
        return FALSE;
    }
    return ::PostMessageW(target, message, w, l);
}

bool TickArrivesWithin(std::chrono::milliseconds patience) {
    const auto give_up = std::chrono::steady_clock::now() + patience;
    MSG message;
    while (std::chrono::steady_clock::now() < give_up) {
        if (::PeekMessageW(&message, nullptr, kTickMessage, kTickMessage, PM_REMOVE)) {
            return true;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
    }
    return false;
}

TEST(ScanTickSource, TicksGoOnAfterPostsTheQueueRefused) {
    const HWND target = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(target, nullptr);
    refusals_left = 3;
    ScanTickSource ticks(target, kTickMessage, std::chrono::milliseconds(10), &PostRefusedAtFirst);
    ticks.Start();
    EXPECT_TRUE(TickArrivesWithin(std::chrono::seconds(5)));
    ticks.TickTaken();
    EXPECT_TRUE(TickArrivesWithin(std::chrono::seconds(5)));
    ticks.Stop();
    ::DestroyWindow(target);
}

}  // namespace
}  // namespace quillon::testing
