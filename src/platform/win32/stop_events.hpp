// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>

namespace quillon {

// Ctrl+C, Ctrl+Break and the console's close, log-off and shut-down events, turned into a stop
// request that the program's loop polls, as the stop signals are on Linux.
class StopEvents {
public:
    static void Install();
    static const std::atomic<bool>& Requested();
    // "Ctrl+C", "console closed", ...; empty when none came.
    static std::string Received();
};

}  // namespace quillon
