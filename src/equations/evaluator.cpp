// SPDX-License-Identifier: MIT
#include "equations/evaluator.hpp"

#include "equations/expression_parser.hpp"

namespace quillon {

double Evaluator::Evaluate(std::string_view text) const {
    NumericSemantics semantics;
    return ExpressionParser<NumericSemantics>(text, semantics).ParseEquation();
}

}  // namespace quillon
