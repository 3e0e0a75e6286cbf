// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "equations/builtin_function.hpp"
#include "equations/expression_operator.hpp"

namespace quillon {

// Where a token stands in an equation and which of the tick's values it takes.
struct TokenSpan {
    std::size_t begin;
    std::size_t length;
    std::uint32_t value_index;
};

// An equation read once into steps for a small stack machine: every tick runs the steps on
// the tokens' values, with the same operations the evaluator applies while reading text.
class ExpressionProgram {
public:
    // The steps of `equation`, whose tokens stand at `tokens` (ascending, not overlapping), or
    // nothing when the text is not an equation whatever numbers the tokens give.
    static std::optional<ExpressionProgram> Compile(std::string_view equation,
                                                    std::span<const TokenSpan> tokens);

    // The value, or nothing where the text would fail (a NaN decision or result, a function
    // refusing its arguments): the text then tells why. `values` holds each token's number.
    std::optional<double> Run(std::span<const double> values) const;

private:
    friend class ProgramBuilder;
    enum class Code : std::uint8_t { Constant, Token, Negate, Not, Binary, Call };
    struct Step {
        Code code;
        ExpressionOperator op;
        std::uint32_t index;  // Token: value index; Call: argument count
        double constant;
        const BuiltinFunction* function;
    };

    void Push(const Step& step, int growth);

    std::vector<Step> steps_;
    int depth_ = 0;
    int deepest_ = 0;
    mutable std::vector<double> stack_;
};

// The grammar's other reading: records the steps instead of computing.
class ProgramBuilder {
public:
    struct Value {};
    struct Arguments {
        int count = 0;
    };

    ProgramBuilder(ExpressionProgram& program, std::span<const TokenSpan> tokens)
        : program_(program), tokens_(tokens) {}

    Value Number(double value);
    Value Negate(Value operand);
    Value Not(Value operand, std::size_t at);
    Value Binary(ExpressionOperator op, Value left, Value right, std::size_t at);
    void AddArgument(Arguments& arguments, Value /*value*/) const { ++arguments.count; }
    int ArgumentCount(const Arguments& arguments) const { return arguments.count; }
    Value Call(const BuiltinFunction& function, const Arguments& arguments, std::size_t at);
    Value Finish(Value value, std::size_t /*end*/) const { return value; }
    Value Empty() { return Number(0.0); }
    std::size_t TokenLength(std::size_t at) const;
    Value Token(std::size_t at);

private:
    const TokenSpan* TokenAt(std::size_t at) const;

    ExpressionProgram& program_;
    std::span<const TokenSpan> tokens_;
};

}  // namespace quillon
