// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

namespace quillon {

// Room FormatSubstitutedNumberInto needs whatever the value and the decimals.
inline constexpr std::size_t kFormattedNumberCapacity = 400;

// A number as it is substituted into an equation: fixed notation with at most `decimals`
// digits after the point: the shortest decimal that reads back as x when it fits, otherwise
// x rounded to `decimals` places (an exact half away from zero). Trailing zeros are dropped, 0
// before the point is left out, the point is always written and is "." in any locale: 5 is "5.",
// 0.25 is ".25" and -0.5 is "-.5". Zero, -0 and a negative that rounds to zero are all ".". NaN is
// "nan" and the infinities "inf" and "-inf": the evaluator knows no such names, so a non-finite
// sample fails its equation loudly instead of reading as a number.
std::string FormatSubstitutedNumber(double x, int decimals);

// The same text written to `out`, which holds at least kFormattedNumberCapacity chars and is
// not terminated; returns its length.
std::size_t FormatSubstitutedNumberInto(double x, int decimals, char* out);

// The number the evaluator reads from that text, for a finite x: x itself where its shortest
// digits fit `decimals` (from 10^(16 - decimals) up), otherwise the rounded text read back.
// Zero and -0 read as 0.
double SubstitutedValue(double x, int decimals);

}  // namespace quillon
