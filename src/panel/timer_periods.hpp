// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace quillon {

// The periods of the window's three timers, for every front end that runs them.
inline constexpr std::chrono::milliseconds kScanTimerPeriod{10};          // Timer1: the cycle
inline constexpr std::chrono::milliseconds kAlarmTimerPeriod{1000};       // Timer2: alarm sound
inline constexpr std::chrono::milliseconds kKeepAliveTimerPeriod{30000};  // Timer3: keep-alive

}  // namespace quillon
