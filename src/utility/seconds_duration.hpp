// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cmath>
#include <limits>

namespace quillon {

// Seconds given as a double (from a file or the command line) as a clock duration. Values
// beyond what the duration holds become its largest or smallest value, NaN becomes zero, so
// that no setting can overflow a deadline.
template <typename Duration = std::chrono::steady_clock::duration>
Duration SecondsToDuration(double seconds) {
    using Rep = typename Duration::rep;
    if (std::isnan(seconds)) {
        return Duration::zero();
    }
    const double ticks = seconds * static_cast<double>(Duration::period::den) /
                         static_cast<double>(Duration::period::num);
    // The largest Rep is not exact as a double: compare against the first value beyond it.
    constexpr double kBeyond = -2.0 * static_cast<double>(std::numeric_limits<Rep>::min());
    if (ticks >= kBeyond) {
        return Duration::max();
    }
    if (ticks <= static_cast<double>(std::numeric_limits<Rep>::min())) {
        return Duration::min();
    }
    return Duration(static_cast<Rep>(ticks));
}

}  // namespace quillon
