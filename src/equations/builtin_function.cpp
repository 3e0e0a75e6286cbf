// SPDX-License-Identifier: MIT
#include "equations/builtin_function.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "equations/decimal_digits.hpp"
#include "equations/number_format.hpp"

namespace quillon {
namespace {

using Result = FunctionResult;

constexpr int kMostPlaces = 400;     // beyond every digit a double has
constexpr int kFewestPlaces = -308;  // keeps the scale 10^-places finite

double ReadFormatted(const char* text, std::size_t length) {
    double value = 0.0;  // "." alone stays 0
    std::from_chars(text, text + length, value);
    return value;
}

// Rounds the decimal the user sees rather than the binary value, so round(2.675, 2) is 2.68.
double RoundToPlaces(double value, double places) {
    if (std::isnan(places)) {
        return places;
    }
    if (!std::isfinite(value)) {
        return value;
    }
    const int digits = static_cast<int>(
        std::clamp(std::trunc(places), double{kFewestPlaces}, double{kMostPlaces}));
    if (digits < 0) {
        const double scale = std::pow(10.0, -digits);
        return std::round(value / scale) * scale;
    }
    DecimalDigits decimal = DecimalDigits::Shortest(std::fabs(value));
    decimal.RoundToDecimals(digits);
    char text[kFormattedNumberCapacity];
    const double magnitude = ReadFormatted(text, decimal.WriteFixed(text));
    return std::signbit(value) ? -magnitude : magnitude;
}

// Every whole number up to 2^53 is a double; past it the digits read would not be the ones
// written, nor could the reading be held exactly.
constexpr double kLargestExactInteger = 9007199254740992.0;
constexpr std::uint64_t kLargestExactReading = std::uint64_t{1} << 53;

struct BaseReading {
    int base;
    std::string_view not_finite;
    std::string_view too_large;
    std::string_view bad_digit;
};

constexpr BaseReading kBinary{2, "bin takes a finite number", "bin reads at most 16 digits",
                              "bin reads only the digits 0 and 1"};
constexpr BaseReading kHexadecimal{16, "hex takes a finite number",
                                   "hex gives at most 9007199254740992", ""};

// Reads the decimal digits of the integer part, as substituted, as digits in another base.
Result ReadDigitsInBase(double value, const BaseReading& reading) {
    if (!std::isfinite(value)) {
        return Result::Refused(reading.not_finite);
    }
    const double whole = std::trunc(std::fabs(value));
    if (whole > kLargestExactInteger) {
        return Result::Refused(reading.too_large);
    }
    char text[kFormattedNumberCapacity];
    FormatSubstitutedNumberInto(whole, 0, text);
    // At most 16 decimal digits: even read as hexadecimal they fit 64 bits.
    std::uint64_t reading_value = 0;
    for (const char* digit = text; *digit != '.'; ++digit) {
        if (*digit - '0' >= reading.base) {
            return Result::Refused(reading.bad_digit);
        }
        reading_value = reading_value * static_cast<std::uint64_t>(reading.base) +
                        static_cast<std::uint64_t>(*digit - '0');
    }
    if (reading_value > kLargestExactReading) {
        return Result::Refused(reading.too_large);
    }
    const auto result = static_cast<double>(reading_value);
    return std::signbit(value) ? -result : result;
}

Result Abs(const ArgumentFold& a) {
    return std::fabs(a.first);
}
Result Round(const ArgumentFold& a) {
    return RoundToPlaces(a.first, a.second);
}
Result Floor(const ArgumentFold& a) {
    return std::floor(a.first);
}
Result Ceil(const ArgumentFold& a) {
    return std::ceil(a.first);
}
Result Log(const ArgumentFold& a) {
    return std::log(a.first);
}
Result Log10(const ArgumentFold& a) {
    return std::log10(a.first);
}
Result Sqrt(const ArgumentFold& a) {
    return std::sqrt(a.first);
}
Result Bin(const ArgumentFold& a) {
    return ReadDigitsInBase(a.first, kBinary);
}
Result Hex(const ArgumentFold& a) {
    return ReadDigitsInBase(a.first, kHexadecimal);
}
Result Avg(const ArgumentFold& a) {
    return a.Average();
}
Result Sum(const ArgumentFold& a) {
    return a.sum;
}
Result Max(const ArgumentFold& a) {
    return a.max;
}
Result Min(const ArgumentFold& a) {
    return a.min;
}

constexpr int kAny = BuiltinFunction::kAnyCount;

constexpr std::array kFunctions{
    BuiltinFunction{"abs", 1, Abs},     BuiltinFunction{"round", 2, Round},
    BuiltinFunction{"floor", 1, Floor}, BuiltinFunction{"ceil", 1, Ceil},
    BuiltinFunction{"log", 1, Log},     BuiltinFunction{"log10", 1, Log10},
    BuiltinFunction{"sqrt", 1, Sqrt},   BuiltinFunction{"bin", 1, Bin},
    BuiltinFunction{"hex", 1, Hex},     BuiltinFunction{"avg", kAny, Avg},
    BuiltinFunction{"sum", kAny, Sum},  BuiltinFunction{"max", kAny, Max},
    BuiltinFunction{"min", kAny, Min},
};

}  // namespace

const BuiltinFunction* FindBuiltinFunction(std::string_view name) {
    const auto found =
        std::find_if(kFunctions.begin(), kFunctions.end(), [name](const BuiltinFunction& f) {
            return name.starts_with(f.name.front()) && f.name == name;  // spares most compares
        });
    return found == kFunctions.end() ? nullptr : &*found;
}

}  // namespace quillon
