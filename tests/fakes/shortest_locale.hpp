// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <charconv>
#include <string>

#include "platform/locale.hpp"

namespace quillon::testing {

// The general format as the shortest text that reads back ("10", "2.5", "3.14159265"), with
// the decimal separator a test chooses.
class ShortestLocale final : public Locale {
public:
    std::string separator = ".";
    std::string FormatGeneral(double value) override {
        std::array<char, 64> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        std::string text(buffer.data(), result.ptr);
        if (const auto point = text.find('.'); point != std::string::npos) {
            text.replace(point, 1, separator);
        }
        return text;
    }
};

}  // namespace quillon::testing
