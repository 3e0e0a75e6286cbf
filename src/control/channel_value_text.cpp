// SPDX-License-Identifier: MIT
#include "control/channel_value_text.hpp"

#include <cmath>
#include <cstdint>

#include "equations/decimal_digits.hpp"

namespace quillon {
namespace {

constexpr std::size_t kLongestGeneralText = 5;
constexpr int kSignificantDigits = 15;

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

// As the platform's number format writes a pattern: from the value's 15-significant-digit
// form, a half rounded away from zero, so 2.00005 shows as 2.0001 to four places.
std::string FixedText(double value, int decimals, std::string_view separator) {
    DecimalDigits digits = DecimalDigits::Significant(std::fabs(value), kSignificantDigits);
    digits.RoundToDecimals(decimals);
    return (std::signbit(value) ? "-" : "") + digits.PatternText(decimals, separator);
}

}  // namespace

std::string ChannelValueText(double value, double larger_range, Locale& locale,
                             std::string_view decimal_separator) {
    std::string general = locale.FormatGeneral(value);
    if (CharacterCount(general) <= kLongestGeneralText || larger_range == 0.0 ||
        !std::isfinite(larger_range) || !std::isfinite(value)) {
        return general;
    }
    return FixedText(value, PatternDecimals(larger_range), decimal_separator);
}

}  // namespace quillon
