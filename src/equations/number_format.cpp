// SPDX-License-Identifier: MIT
#include "equations/number_format.hpp"

#include <cmath>
#include <cstring>
#include <string_view>

#include "equations/shortest_decimal.hpp"

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
    ShortestDecimal decimal(std::fabs(x));
    decimal.RoundToDecimals(decimals);
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
