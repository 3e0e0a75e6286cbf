// SPDX-License-Identifier: MIT
#include "equations/number_format.hpp"

#include <array>
#include <charconv>
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

namespace {

// 10^(16 - decimals): from there up, the 17 significant digits that always read back fit the
// decimals, and so do the shortest ones.
constexpr int kMostExactDecimals = 17;
constexpr std::array<double, kMostExactDecimals + 1> kExactFrom = {
    1e16, 1e15, 1e14, 1e13, 1e12, 1e11, 1e10, 1e9, 1e8,
    1e7,  1e6,  1e5,  1e4,  1e3,  1e2,  1e1,  1.0, 1e-1};

// As the evaluator reads a substituted number: "." alone is 0, a sign negates the rest.
double ReadSubstituted(const char* text, std::size_t length) {
    const bool minus = length > 0 && text[0] == '-';
    const char* digits = text + static_cast<std::size_t>(minus);
    const char* end = text + length;
    double magnitude = 0.0;
    if (end - digits != 1 || *digits != '.') {
        std::from_chars(digits, end, magnitude);
    }
    return minus ? -magnitude : magnitude;
}

}  // namespace

double SubstitutedValue(double x, int decimals) {
    const double magnitude = std::fabs(x);
    if (decimals >= 0 && decimals <= kMostExactDecimals &&
        magnitude >= kExactFrom[static_cast<std::size_t>(decimals)]) {
        return x;
    }
    if (magnitude == 0.0) {
        return 0.0;
    }
    // Zeroed only to quiet a compiler that cannot see the text being written before it is read.
    char text[kFormattedNumberCapacity]{};
    return ReadSubstituted(text, FormatSubstitutedNumberInto(x, decimals, text));
}

std::string FormatSubstitutedNumber(double x, int decimals) {
    char text[kFormattedNumberCapacity];
    return std::string(text, FormatSubstitutedNumberInto(x, decimals, text));
}

}  // namespace quillon
