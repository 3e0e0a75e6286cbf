// SPDX-License-Identifier: MIT
#include "equations/decimal_digits.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace quillon {
namespace {

constexpr int kMostDecimals = 1074;  // the smallest subnormal's last digit
constexpr int kMostSignificant = 17;
constexpr std::size_t kScientificCapacity = 32;

int ReadExponent(const char* first, const char* last) {
    if (*first == '+') {
        ++first;  // from_chars takes "-" but not "+"
    }
    int exponent = 0;
    std::from_chars(first, last, exponent);
    return exponent;
}

// How many binary digits the magnitude has after the point: its exact decimal expansion has
// as many decimals, the last of them a 5.
int FractionBits(double magnitude) {
    if (magnitude == 0.0) {
        return 0;
    }
    int exponent = 0;
    const double mantissa = std::frexp(magnitude, &exponent);
    const auto bits = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    const int lowest_bit = exponent - 53 + std::countr_zero(bits);
    return lowest_bit < 0 ? -lowest_bit : 0;
}

}  // namespace

DecimalDigits DecimalDigits::Shortest(double magnitude) {
    char text[kScientificCapacity];
    const auto end =
        std::to_chars(text, text + kScientificCapacity, magnitude, std::chars_format::scientific);
    DecimalDigits decimal;
    decimal.ReadScientific(text, end.ptr);
    return decimal;
}

DecimalDigits DecimalDigits::Significant(double magnitude, int significant) {
    char text[kScientificCapacity];
    const int precision = std::clamp(significant, 1, kMostSignificant) - 1;
    const auto end = std::to_chars(text, text + kScientificCapacity, magnitude,
                                   std::chars_format::scientific, precision);
    DecimalDigits decimal;
    decimal.ReadScientific(text, end.ptr);
    return decimal;
}

// to_chars rounds the exact binary value, but an exact half to even: such a half is a
// magnitude whose last binary digit stands one decimal place past the kept ones, and it is
// written one place longer (exactly) and rounded here.
DecimalDigits DecimalDigits::Rounded(double magnitude, int decimals) {
    const int places = std::clamp(decimals, 0, kMostDecimals);
    const bool exact_half = FractionBits(magnitude) == places + 1;
    char text[kCapacity];
    const auto end = std::to_chars(text, text + kCapacity, magnitude, std::chars_format::fixed,
                                   exact_half ? places + 1 : places);
    DecimalDigits decimal;
    decimal.ReadFixed(text, end.ptr);
    if (exact_half) {
        decimal.RoundToDecimals(places);
    }
    return decimal;
}

void DecimalDigits::ReadScientific(const char* text, const char* end) {
    digits_[length_++] = '0';
    const char* c = text;
    for (; c != end && *c != 'e'; ++c) {
        if (*c != '.') {
            digits_[length_++] = *c;
        }
    }
    point_ = ReadExponent(c + 1, end) + 2;  // the carry slot and the first digit
    DropTrailingZeros();
}

void DecimalDigits::ReadFixed(const char* text, const char* end) {
    digits_[length_++] = '0';
    point_ = -1;
    if (end - text > 1 && text[0] == '0' && text[1] == '.') {
        ++text;  // "0.5": the carry slot is the zero before the point
    }
    for (const char* c = text; c != end; ++c) {
        if (*c == '.') {
            point_ = length_;
        } else {
            digits_[length_++] = *c;
        }
    }
    if (point_ < 0) {
        point_ = length_;
    }
    DropTrailingZeros();
}

void DecimalDigits::RoundToDecimals(int decimals) {
    const int kept = point_ + std::clamp(decimals, 0, kMostDecimals);
    if (kept >= length_) {
        return;
    }
    const bool round_up = kept >= 0 && digits_[kept] >= '5';
    length_ = std::max(kept, 0);
    if (round_up) {
        CarryFrom(kept - 1);
    }
    DropTrailingZeros();
}

void DecimalDigits::CarryFrom(int index) {
    for (; digits_[index] == '9'; --index) {
        digits_[index] = '0';
    }
    ++digits_[index];  // the '0' slot in front stops the loop
}

void DecimalDigits::DropTrailingZeros() {
    while (length_ > 0 && digits_[length_ - 1] == '0') {
        --length_;
    }
}

std::size_t DecimalDigits::WriteFixed(char* out) const {
    if (IsZero()) {
        *out = '.';
        return 1;
    }
    char* next = out;
    for (int index = digits_[0] == '0' ? 1 : 0; index < point_; ++index) {
        *next++ = DigitAt(index);
    }
    *next++ = '.';
    for (int index = point_; index < length_; ++index) {
        *next++ = DigitAt(index);
    }
    return static_cast<std::size_t>(next - out);
}

std::string DecimalDigits::PatternText(int decimals, std::string_view point) const {
    std::string text;
    int first = 0;
    while (first < point_ - 1 && DigitAt(first) == '0') {
        ++first;  // leading zeros, but one digit stays before the point
    }
    for (int index = first; index < point_; ++index) {
        text.push_back(DigitAt(index));
    }
    if (text.empty()) {
        text.push_back('0');
    }
    text.append(point);
    for (int index = point_; index < point_ + decimals; ++index) {
        text.push_back(DigitAt(index));
    }
    return text;
}

}  // namespace quillon
