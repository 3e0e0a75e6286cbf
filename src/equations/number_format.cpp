// SPDX-License-Identifier: MIT
#include "equations/number_format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
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

#if defined(__SIZEOF_INT128__)
// 10^decimals, exact as a double up to 10^22.
constexpr std::array<double, kMostExactDecimals + 1> kPowersOfTen = {
    1.0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
    1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

// GCC's and Clang's 128-bit integer, where the target has one.
__extension__ typedef unsigned __int128 Unsigned128;

// The value the rounded text reads back as, without writing it: the magnitude times
// 10^decimals in exact integer arithmetic (the 53-bit significand times 5^decimals, shifted),
// rounded half away from zero to an integer N, and N / 10^decimals, which one correctly
// rounded division gives exactly as reading the digits would, while N and 10^decimals are both
// exact doubles. Whether x's shortest digits fit or not, N is the rounded text's digits (they
// fit exactly when x is the double nearest N / 10^decimals). Empty where N is too large.
std::optional<double> RoundedInIntegers(double magnitude, int decimals) {
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent);  // magnitude = fraction * 2^exponent
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    std::uint64_t five_power = 1;
    for (int i = 0; i < decimals; ++i) {
        five_power *= 5;
    }
    const Unsigned128 scaled = static_cast<Unsigned128>(significand) * five_power;
    // magnitude * 10^decimals = scaled * 2^shift
    const int shift = exponent - 53 + decimals;
    std::uint64_t rounded = 0;
    if (shift >= 0) {
        if (shift > 10 || (scaled >> (53 - shift)) != 0) {
            return std::nullopt;
        }
        rounded = static_cast<std::uint64_t>(scaled << shift);
    } else if (-shift < 127) {
        const int drop = -shift;
        const Unsigned128 whole = scaled >> drop;
        const bool half_or_more = ((scaled >> (drop - 1)) & 1U) != 0;
        if (whole >= (static_cast<Unsigned128>(1) << 53)) {
            return std::nullopt;
        }
        rounded = static_cast<std::uint64_t>(whole) + (half_or_more ? 1U : 0U);
    }
    if (rounded >= (std::uint64_t{1} << 53)) {
        return std::nullopt;
    }
    return static_cast<double>(rounded) / kPowersOfTen[static_cast<std::size_t>(decimals)];
}
#endif

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
#if defined(__SIZEOF_INT128__)
    if (decimals >= 0 && decimals <= kMostExactDecimals) {
        if (const std::optional<double> rounded = RoundedInIntegers(magnitude, decimals)) {
            // A negative that rounds to zero reads as "." : plain 0.
            return *rounded == 0.0 || !std::signbit(x) ? *rounded : -*rounded;
        }
    }
#endif
    // Zeroed only to quiet a compiler that cannot see the text being written before it is read.
    char text[kFormattedNumberCapacity]{};
    return ReadSubstituted(text, FormatSubstitutedNumberInto(x, decimals, text));
}

std::string FormatSubstitutedNumber(double x, int decimals) {
    char text[kFormattedNumberCapacity];
    return std::string(text, FormatSubstitutedNumberInto(x, decimals, text));
}

}  // namespace quillon
