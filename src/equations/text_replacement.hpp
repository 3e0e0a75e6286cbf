// SPDX-License-Identifier: MIT
#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace quillon {

// Replaces every occurrence of `token`, scanning from the start and never looking at inserted
// text again. `value` is called only when the token occurs. Returns whether it occurred.
template <std::invocable ValueFunction>
bool ReplaceAll(std::string& text, std::string_view token, ValueFunction&& value) {
    std::size_t pos = text.find(token);
    if (pos == std::string::npos) {
        return false;
    }
    const std::string replacement = value();
    while (pos != std::string::npos) {
        text.replace(pos, token.size(), replacement);
        pos = text.find(token, pos + replacement.size());
    }
    return true;
}

inline bool ReplaceAll(std::string& text, std::string_view token, std::string_view replacement) {
    return ReplaceAll(text, token, [replacement] { return std::string(replacement); });
}

// "#" + letter of history depth k (1 = "A") + channel.
inline std::string HistoryToken(int k, int channel) {
    return std::string("#") + static_cast<char>('@' + k) + std::to_string(channel);
}

inline std::string ChannelToken(int channel) {
    return "#" + std::to_string(channel);
}

}  // namespace quillon
