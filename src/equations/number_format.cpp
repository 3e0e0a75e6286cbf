// SPDX-License-Identifier: MIT
#include "equations/number_format.hpp"

#include <cmath>
#include <cstring>
#include <string_view>

#include "equations/decimal_digits.hpp"

namespace quillon {
namespace {

std::size_t WriteText(std::string_view text, char* out) {
    std::memcpy(out, text.data(), text.size());
    return text.size();
}

std::size_t WriteNonFinite(double x, char* out) {
    if (std::isnan(x)) {
        return WriteText("nan", out);
    }
    return WriteText(x > 0 ? "inf" : "-inf", out);
}

}  // namespace

std::size_t FormatSubstitutedNumberInto(double x, int decimals, char* out) {
    if (!std::isfinite(x)) {
        return WriteNonFinite(x, out);
    }
    // The shortest digits read back as x exactly; when they do not fit, x itself is rounded,
    // since rounding those digits again could land one unit off.
    DecimalDigits decimal = DecimalDigits::Shortest(std::fabs(x));
    if (decimal.Decimals() > decimals) {
        decimal = DecimalDigits::Rounded(std::fabs(x), decimals);
    }
    const bool minus = std::signbit(x) && !decimal.IsZero();
    if (minus) {
        *out = '-';
    }
    return static_cast<std::size_t>(minus) + decimal.WriteFixed(out + minus);
}

std::string FormatSubstitutedNumber(double x, int decimals) {
    char text[kFormattedNumberCapacity];
    return std::string(text, FormatSubstitutedNumberInto(x, decimals, text));
}

}  // namespace quillon
