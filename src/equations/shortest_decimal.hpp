// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace quillon {

// The shortest decimal digits that read back as a given finite magnitude, with the place of
// the point, so that they can be rounded on the decimal digits and written without exponent.
class ShortestDecimal {
public:
    explicit ShortestDecimal(double magnitude);

    // Keeps at most `decimals` digits after the point, a dropped half rounding away from zero.
    void RoundToDecimals(int decimals);
    bool IsZero() const { return length_ == 0; }
    // Fixed notation without sign: no digit before the point for 0, the point always, no
    // trailing zero after it. Returns the length written.
    std::size_t WriteFixed(char* out) const;

private:
    static constexpr int kMaxDigits = 17;  // shortest round trip of a double

    void DropTrailingZeros();
    void CarryFrom(int index);
    char DigitAt(int index) const { return index >= 0 && index < length_ ? digits_[index] : '0'; }

    // digits_[0] is a '0' kept free for a carry out of the first digit.
    char digits_[kMaxDigits + 1];
    int length_ = 0;
    int point_ = 0;  // how many of digits_ (counting the carry slot) stand before the point
};

}  // namespace quillon
