// SPDX-License-Identifier: MIT
#pragma once

#include <limits>
#include <string_view>

#include "equations/argument_fold.hpp"

namespace quillon {

// A function's value, or why it refuses its arguments (empty when it does not).
struct FunctionResult {
    FunctionResult(double result) : value(result) {}  // NOLINT: a plain value is a result
    static FunctionResult Refused(std::string_view reason) {
        FunctionResult result(0.0);
        result.refusal = reason;
        return result;
    }

    double value;
    std::string_view refusal;
};

// A function an equation may call, by its lower-case name. Each takes one argument or more.
struct BuiltinFunction {
    static constexpr int kAnyCount = std::numeric_limits<int>::max();

    std::string_view name;
    int max_arguments;
    FunctionResult (*apply)(const ArgumentFold& arguments);
};

// nullptr for a name no function has.
const BuiltinFunction* FindBuiltinFunction(std::string_view name);

}  // namespace quillon
