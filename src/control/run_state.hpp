// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "equations/token_use.hpp"

namespace quillon {

// Why the run last stopped: the operator (or the program's end), the host failing (a run
// that may be started again once the host answers), or an equation or an alarm failing.
enum class StopCause { Operator, HostFailed, RunFailed };

// What each Start and Stop fix for the run, read by every tick.
struct RunState {
    StopCause stop_cause = StopCause::Operator;
    std::uint64_t run_number = 0;  // counts the Starts: a new run begins its delays afresh
    int first_slot = 0;
    std::int16_t data_window = 100;  // scans the window statistics cover
    TokenUse tokens;                 // history depth and statistics of the run's equations
    std::int16_t sound_flags = 0;
    std::int32_t keep_alive_countdown = 0;
    // The countdown was reloaded since Timer3's last tick: that half-minute was not quiet.
    bool keep_alive_reloaded = false;

    // At Start: the count of quiet half-minutes begins.
    void StartKeepAlive(std::int32_t start) {
        keep_alive_countdown = start;
        keep_alive_reloaded = false;
    }
    // On a true e-mail equation: the count begins again after this half-minute.
    void ReloadKeepAlive(std::int32_t start) {
        keep_alive_countdown = start;
        keep_alive_reloaded = true;
    }
};

}  // namespace quillon
