// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <string>

namespace quillon {

// The values the window holds besides its controls: fixed at start-up, loaded from the
// settings, or shared between run control, the scan cycle and the output writers.
struct Session {
    // Fixed at start-up.
    std::string host_id = "Quillon";  // the caption after the command line; settings section
    std::string decimal_separator = ".";
    std::string sender_suffix = " ";  // follows the e-mail agent's event word
    int last_slot = 9;
    std::int16_t instrument_model = 0;
    bool high_byte_layout = false;

    // Loaded from the settings file.
    std::string sound_file = "c:\\windows\\media\\ding.wav";
    std::int16_t alarm_interval = 1;                // seconds between repeated alarm sounds
    std::array<std::int16_t, 17> dout_true_key{};   // virtual key forcing DOUT n on
    std::array<std::int16_t, 17> dout_false_key{};  // virtual key forcing DOUT n off
    std::array<std::int16_t, 3> hot_key{};          // HKey: both held enable the hot keys
    std::int32_t email_alarm_interval = 20;         // keep-alive interval in half-minutes

    // Run-wide values, fixed by each Start and Stop.
    int first_slot = 0;
    std::int16_t data_window = 100;
    int history_depth = 0;
    bool statistics_in_use = false;
    std::int16_t sound_flags = 0;
    std::int32_t keep_alive_countdown = 0;

    // The keep-alive countdown's start: one less than the interval, kept inside the field
    // even for an interval at its lowest value.
    std::int32_t KeepAliveStart() const {
        return email_alarm_interval == INT32_MIN ? INT32_MIN : email_alarm_interval - 1;
    }

    // Shared by the alarms and the output writers.
    bool email_armed = false;
    bool force_write = false;
};

}  // namespace quillon
