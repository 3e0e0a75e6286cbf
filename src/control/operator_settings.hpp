// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <string>

#include "control/slot_timing.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The settings that no control of the window holds: loaded from the settings file at
// start-up, changed by the alarm and e-mail dialogs, saved at the end.
struct OperatorSettings {
    std::string sound_file = "c:\\windows\\media\\ding.wav";
    std::int16_t alarm_interval = 1;                          // seconds between alarm sounds
    std::array<std::int16_t, kOutputCount> dout_true_key{};   // virtual key forcing DOUT n on
    std::array<std::int16_t, kOutputCount> dout_false_key{};  // virtual key forcing DOUT n off
    std::array<std::int16_t, 2> hot_key{};   // HKey0 and HKey1: both held enable the hot keys
    std::int32_t email_alarm_interval = 20;  // keep-alive interval in half-minutes
    std::int16_t keep_alive_email = 0;       // 1: send keep-alive e-mails (opt in)
    // Seconds a run that stopped by itself may stay stopped before a stop notice goes out;
    // 0: none. Saved only once the file holds it, so a file that never had it stays as it was.
    std::int32_t stop_email_after = 0;
    bool stop_email_after_stored = false;
    // Per slot: on-delay, off-delay and latch (opt in; all zero unless the file sets them).
    std::array<SlotTimingSettings, kSlotCount> slot_timing{};

    // The keep-alive countdown's start: one less than the interval, kept inside the field
    // even for an interval at its lowest value.
    std::int32_t KeepAliveStart() const {
        return email_alarm_interval == INT32_MIN ? INT32_MIN : email_alarm_interval - 1;
    }
};

}  // namespace quillon
