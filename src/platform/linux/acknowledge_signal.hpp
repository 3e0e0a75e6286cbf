// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace quillon {

// SIGUSR1 asks that every latched alarm be acknowledged (`kill -USR1 PID`, or systemctl kill).
// Installed first thing, beside the stop signals: SIGUSR1's default would end the program.
class AcknowledgeSignal {
public:
    static void Install();
    // How many have arrived so far; the loop acts once for each change it sees.
    static std::uint64_t Count();
};

}  // namespace quillon
