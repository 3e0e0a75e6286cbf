// SPDX-License-Identifier: MIT
#include "control/channel_value_text.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace quillon {
namespace {

constexpr std::size_t kLongestGeneralText = 5;

// Characters, not bytes: a separator may take more than one byte.
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

int PatternDecimals(double larger_range) {
    const auto e = static_cast<std::int16_t>(std::floor(std::log10(std::abs(larger_range))));
    if (e < 0) {
        return -e + 7;
    }
    return e <= 3 ? 5 - e : 0;
}

std::optional<std::string> FixedText(double value, int decimals, std::string_view separator) {
    std::array<char, 1100> buffer{};  // the longest double with the most decimals fits
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    std::string text(buffer.data(), result.ptr);
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        text.replace(point, 1, separator);
    } else {
        text += separator;  // the pattern "0." writes its point even without decimals
    }
    return text;
}

}  // namespace

std::string ChannelValueText(double value, double larger_range, Locale& locale,
                             std::string_view decimal_separator) {
    std::string general = locale.FormatGeneral(value);
    if (CharacterCount(general) <= kLongestGeneralText || larger_range == 0.0 ||
        !std::isfinite(larger_range) || !std::isfinite(value)) {
        return general;
    }
    return FixedText(value, PatternDecimals(larger_range), decimal_separator)
        .value_or(std::move(general));
}

}  // namespace quillon
