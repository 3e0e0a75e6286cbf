// SPDX-License-Identifier: MIT
#pragma once

#include <limits>

namespace quillon {

// Call arguments folded as they are read, so that variadic functions need no list.
struct ArgumentFold {
    void Add(double value);
    double Average() const { return sum / count; }

    int count = 0;
    bool any_not_a_number = false;
    double first = 0.0;
    double second = 0.0;
    double sum = 0.0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
};

}  // namespace quillon
