// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "panel/panel.hpp"

namespace quillon {

// What start-up fixes for the program's life; read by everyone after it.
struct InstanceFacts {
    std::string host_id = "Quillon";  // the caption after the command line; settings section
    std::string decimal_separator = ".";
    std::string sender_suffix = " ";  // follows the e-mail agent's event word
    int last_slot = kSlotCount - 1;
    std::int16_t instrument_model = 0;
    bool high_byte_layout = false;  // DOUT n is bit n + 8 of the word the instrument takes
};

}  // namespace quillon
