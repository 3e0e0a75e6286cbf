// SPDX-License-Identifier: MIT
#pragma once

#include <limits>
#include <optional>
#include <string_view>

#include "equations/argument_fold.hpp"

namespace quillon {

// A function an equation may call, by its lower-case name. Each takes one argument or more.
struct BuiltinFunction {
    static constexpr int kAnyCount = std::numeric_limits<int>::max();

    std::string_view name;
    int max_arguments;
    // Empty when the arguments are outside what the function reads.
    std::optional<double> (*apply)(const ArgumentFold& arguments);
    std::string_view invalid_argument_reason;
};

// nullptr for a name no function has.
const BuiltinFunction* FindBuiltinFunction(std::string_view name);

}  // namespace quillon
