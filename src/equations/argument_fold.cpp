// SPDX-License-Identifier: MIT
#include "equations/argument_fold.hpp"

#include <cmath>

namespace quillon {
namespace {

double LesserOf(double kept, double value) {
    return std::isnan(value) || value < kept ? value : kept;
}

double GreaterOf(double kept, double value) {
    return std::isnan(value) || value > kept ? value : kept;
}

}  // namespace

void ArgumentFold::Add(double value) {
    if (count == 0) {
        first = value;
    } else if (count == 1) {
        second = value;
    }
    ++count;
    any_not_a_number = any_not_a_number || std::isnan(value);
    sum += value;
    min = LesserOf(min, value);
    max = GreaterOf(max, value);
}

}  // namespace quillon
