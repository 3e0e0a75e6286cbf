// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <string_view>

namespace quillon {

// The binary operators of an equation. Reading the text and running a compiled equation both
// compute through ApplyOperator, so that their values cannot drift apart.
enum class ExpressionOperator : unsigned char {
    Or,
    And,
    Equal,
    NotEqual,
    LessEqual,
    GreaterEqual,
    Less,
    Greater,
    Add,
    Subtract,
    Multiply,
    Divide,
    Remainder,
    Power,
};

inline double Truth(bool condition) {
    return condition ? 1.0 : 0.0;
}

// NaN never decides a condition: comparisons and logical operators fail on it, and so does
// "^", since pow makes 1 of (NaN)^0 and 1^(NaN).
inline bool RefusesNotANumber(ExpressionOperator op) {
    return op != ExpressionOperator::Add && op != ExpressionOperator::Subtract &&
           op != ExpressionOperator::Multiply && op != ExpressionOperator::Divide &&
           op != ExpressionOperator::Remainder;
}

inline std::string_view OperatorSymbol(ExpressionOperator op) {
    constexpr std::string_view symbols[] = {"|", "&", "==", "!=", "<=", ">=", "<",
                                            ">", "+", "-",  "*",  "/",  "%",  "^"};
    return symbols[static_cast<int>(op)];
}

inline double ApplyOperator(ExpressionOperator op, double left, double right) {
    switch (op) {
        case ExpressionOperator::Or:
            return Truth(left != 0.0 || right != 0.0);
        case ExpressionOperator::And:
            return Truth(left != 0.0 && right != 0.0);
        case ExpressionOperator::Equal:
            return Truth(left == right);
        case ExpressionOperator::NotEqual:
            return Truth(left != right);
        case ExpressionOperator::LessEqual:
            return Truth(left <= right);
        case ExpressionOperator::GreaterEqual:
            return Truth(left >= right);
        case ExpressionOperator::Less:
            return Truth(left < right);
        case ExpressionOperator::Greater:
            return Truth(left > right);
        case ExpressionOperator::Add:
            return left + right;
        case ExpressionOperator::Subtract:
            return left - right;
        case ExpressionOperator::Multiply:
            return left * right;
        case ExpressionOperator::Divide:
            return left / right;
        case ExpressionOperator::Remainder:
            return std::fmod(left, right);
        case ExpressionOperator::Power:
            return std::pow(left, right);
    }
    return 0.0;
}

}  // namespace quillon
