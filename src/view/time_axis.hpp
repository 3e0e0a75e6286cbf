// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon {

// The time axis under the traces: ticks at round seconds (1, 2 or 5 times a power of ten),
// far enough apart for their labels, each labelled with its time since the run's first tick.
struct AxisTick {
    int x;
    std::string label;  // "12 s", "12.5 s"
};

// Ticks for the span from `start` to `start + span` seconds drawn `width` pixels wide, at
// least `spacing` pixels apart.
std::vector<AxisTick> TimeAxisTicks(double start, double span, int width, int spacing);

// A number as the view writes it: up to six significant digits, "." for the decimal point
// whatever the operator's locale.
std::string ShortNumber(double value);

}  // namespace quillon
