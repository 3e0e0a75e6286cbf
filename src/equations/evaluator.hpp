// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include "equations/evaluation_error.hpp"

namespace quillon {

// Evaluates a logical equation whose tokens have already been replaced by numbers.
// Non-zero means true. Nothing is allocated unless the text is wrong, so it can run for every
// equation on every tick.
class Evaluator {
public:
    // An empty or blank text is 0. Throws EvaluationError for a text that does not read as an
    // equation and for a result that is not a number, so that NaN never passes as true.
    double Evaluate(std::string_view text) const;
};

}  // namespace quillon
