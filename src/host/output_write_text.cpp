// SPDX-License-Identifier: MIT
#include "host/output_write_text.hpp"

#include <array>
#include <charconv>
#include <cstdio>

namespace quillon {

std::string OutputWriteText(double seconds, std::int16_t word) {
    // to_chars and %X ignore the global locale.
    std::array<char, 64> time{};
    const auto end =
        std::to_chars(time.data(), time.data() + time.size(), seconds, std::chars_format::fixed, 3)
            .ptr;
    std::array<char, 8> hex{};
    // The word is a bit pattern: unsigned, as the hex shows it.
    const auto bits = static_cast<unsigned>(static_cast<std::uint16_t>(word));
    static_cast<void>(std::snprintf(hex.data(), hex.size(), "%04X", bits));
    return std::string(time.data(), end) + " " + std::to_string(bits) + " 0x" + hex.data();
}

}  // namespace quillon
