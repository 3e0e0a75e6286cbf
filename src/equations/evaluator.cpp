// SPDX-License-Identifier: MIT
#include "equations/evaluator.hpp"

#include "equations/expression_parser.hpp"

namespace quillon {

double Evaluator::Evaluate(std::string_view text) const {
    return ExpressionParser(text).ParseEquation();
}

}  // namespace quillon
