// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace quillon {

// The number a text starts with, as settings values and typed answers are read: blanks
// anywhere are skipped, then an optional sign, digits with one ".", and an exponent ("E",
// optional sign, digits). Reading stops at the first character that cannot continue the
// number; a text without a number is 0.
double LeadingNumber(std::string_view text);

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
