// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quillon::modbus {

// "0.25 s", "3 s": seconds for messages, without trailing zeros.
inline std::string SecondsText(double seconds) {
    std::string text = std::to_string(seconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text + " s";
}

}  // namespace quillon::modbus
