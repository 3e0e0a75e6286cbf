// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace quillon {

// The number a text starts with, as settings values and typed answers are read: blanks
// anywhere are skipped, then an optional sign, digits with one ".", and an exponent ("E",
// optional sign, digits). Reading stops at the first character that cannot continue the
// number; a text without a number is 0.
double LeadingNumber(std::string_view text);

// What a leading number may hold besides the plain form above.
struct NumberSyntax {
    // "&H" and "&O" (either case) at the start introduce unsigned hexadecimal and octal
    // integers, blanks skipped as anywhere else.
    bool radix_prefixes = false;
    // Read as a decimal point besides ".", so that a number shown in the user's locale reads
    // back as shown.
    std::string_view decimal_separator = ".";
};
double LeadingNumber(std::string_view text, const NumberSyntax& syntax);

// Rounds to the nearest integer, a half to the even neighbour, and saturates to Int's range
// so that a value too large for its field keeps the nearest value it can hold.
template <typename Int>
Int RoundToField(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);  // default rounding: half to even
    if (rounded <= static_cast<double>(std::numeric_limits<Int>::min())) {
        return std::numeric_limits<Int>::min();
    }
    if (rounded >= static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(rounded);
}

// Rounds like RoundToField, but gives nothing when the rounded value does not fit Int.
template <typename Int>
std::optional<Int> RoundIfFits(double value) {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

// Saturates an integer to a narrower field.
template <typename Int, typename Wide>
Int SaturateToField(Wide value) {
    if (value < static_cast<Wide>(std::numeric_limits<Int>::min())) {
        return std::numeric_limits<Int>::min();
    }
    if (value > static_cast<Wide>(std::numeric_limits<Int>::max())) {
        return std::numeric_limits<Int>::max();
    }
    return static_cast<Int>(value);
}

}  // namespace quillon
