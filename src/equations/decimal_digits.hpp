// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// A finite, non-negative magnitude as decimal digits with the place of the point, so that it
// can be rounded on its decimal digits and written without exponent.
class DecimalDigits {
public:
    // The shortest digits that read back as the magnitude.
    static DecimalDigits Shortest(double magnitude);
    // The magnitude rounded to `significant` digits (1 to 17), as a general format shows it.
    static DecimalDigits Significant(double magnitude, int significant);
    // The binary magnitude itself rounded to `decimals` places, an exact half away from zero.
    static DecimalDigits Rounded(double magnitude, int decimals);

    // Digits after the point.
    int Decimals() const { return length_ > point_ ? length_ - point_ : 0; }
    // Keeps at most `decimals` digits after the point, a dropped half rounding away from zero.
    void RoundToDecimals(int decimals);
    bool IsZero() const { return length_ == 0; }
    // Fixed notation without sign: no digit before the point for 0, the point always, no
    // trailing zero after it. Returns the length written.
    std::size_t WriteFixed(char* out) const;
    // Fixed notation as the pattern "0.000" writes it: at least one digit before `point` and
    // exactly `decimals` after it (none: the point alone ends the text).
    std::string PatternText(int decimals, std::string_view point) const;

private:
    // The longest fixed text of a double: 309 digits before the point and, for the smallest
    // subnormal, 1074 after it.
    static constexpr int kCapacity = 1400;

    DecimalDigits() = default;
    void ReadScientific(const char* text, const char* end);
    void ReadFixed(const char* text, const char* end);
    void DropTrailingZeros();
    void CarryFrom(int index);
    char DigitAt(int index) const { return index >= 0 && index < length_ ? digits_[index] : '0'; }

    // digits_[0] is a '0' kept free for a carry out of the first digit.
    char digits_[kCapacity];
    int length_ = 0;
    int point_ = 0;  // how many of digits_ (counting the carry slot) stand before the point
};

}  // namespace quillon
