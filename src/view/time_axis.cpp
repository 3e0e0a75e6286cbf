// SPDX-License-Identifier: MIT
#include "view/time_axis.hpp"

#include <charconv>
#include <cmath>

namespace quillon {
namespace {

// The smallest of 1, 2 or 5 times a power of ten that is at least `least`.
double RoundStep(double least) {
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= least) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

std::string FixedNumber(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

}  // namespace

std::vector<AxisTick> TimeAxisTicks(double start, double span, int width, int spacing) {
    std::vector<AxisTick> ticks;
    if (!(span > 0.0) || width <= 0 || !std::isfinite(start) || !std::isfinite(span)) {
        return ticks;
    }
    const double step = RoundStep(span * std::max(spacing, 1) / width);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    const auto first = static_cast<long long>(std::ceil(start / step));
    for (long long n = first;; ++n) {
        const double seconds = static_cast<double>(n) * step;
        if (seconds > start + span) {
            break;
        }
        const int x = static_cast<int>(std::lround((seconds - start) / span * width));
        ticks.push_back({x, FixedNumber(seconds, decimals) + " s"});
    }
    return ticks;
}

std::string ShortNumber(double value) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
    return std::string(text, end);
}

}  // namespace quillon
