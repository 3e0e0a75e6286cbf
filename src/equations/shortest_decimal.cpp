// SPDX-License-Identifier: MIT
#include "equations/shortest_decimal.hpp"

#include <algorithm>
#include <charconv>

namespace quillon {
namespace {

constexpr int kMostDecimals = 1000;  // past the smallest subnormal's last digit
constexpr std::size_t kScientificCapacity = 32;

int ReadExponent(const char* first, const char* last) {
    if (*first == '+') {
        ++first;  // from_chars takes "-" but not "+"
    }
    int exponent = 0;
    std::from_chars(first, last, exponent);
    return exponent;
}

}  // namespace

ShortestDecimal::ShortestDecimal(double magnitude) {
    char text[kScientificCapacity];
    const char* const end =
        std::to_chars(text, text + kScientificCapacity, magnitude, std::chars_format::scientific)
            .ptr;
    digits_[length_++] = '0';
    const char* c = text;
    for (; *c != 'e'; ++c) {
        if (*c != '.') {
            digits_[length_++] = *c;
        }
    }
    point_ = ReadExponent(c + 1, end) + 2;  // the carry slot and the first digit
    DropTrailingZeros();
}

void ShortestDecimal::RoundToDecimals(int decimals) {
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

void ShortestDecimal::CarryFrom(int index) {
    for (; digits_[index] == '9'; --index) {
        digits_[index] = '0';
    }
    ++digits_[index];  // the '0' slot in front stops the loop
}

void ShortestDecimal::DropTrailingZeros() {
    while (length_ > 0 && digits_[length_ - 1] == '0') {
        --length_;
    }
}

std::size_t ShortestDecimal::WriteFixed(char* out) const {
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

}  // namespace quillon
