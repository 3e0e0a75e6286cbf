// SPDX-License-Identifier: MIT
#include "equations/expression_program.hpp"

#include <algorithm>
#include <cmath>

#include "equations/evaluation_error.hpp"
#include "equations/expression_parser.hpp"

namespace quillon {
namespace {

bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           c == '.';
}

// A number written straight after a digit, a letter or a point, or followed by one, would
// read together with it ("1#0", "#0e5", "abs#0"): such an equation is read from its text.
bool TokensStandAlone(std::string_view equation, std::span<const TokenSpan> tokens) {
    return std::none_of(tokens.begin(), tokens.end(), [&](const TokenSpan& token) {
        const std::size_t end = token.begin + token.length;
        return (token.begin > 0 && IsNumberCharacter(equation[token.begin - 1])) ||
               (end < equation.size() && IsNumberCharacter(equation[end]));
    });
}

}  // namespace

std::optional<ExpressionProgram> ExpressionProgram::Compile(std::string_view equation,
                                                            std::span<const TokenSpan> tokens) {
    if (!TokensStandAlone(equation, tokens)) {
        return std::nullopt;
    }
    ExpressionProgram program;
    ProgramBuilder builder(program, tokens);
    try {
        ExpressionParser<ProgramBuilder>(equation, builder).ParseEquation();
    } catch (const EvaluationError&) {
        return std::nullopt;
    }
    program.stack_.resize(static_cast<std::size_t>(program.deepest_));
    return program;
}

void ExpressionProgram::Push(const Step& step, int growth) {
    steps_.push_back(step);
    depth_ += growth;
    deepest_ = std::max(deepest_, depth_);
}

std::optional<double> ExpressionProgram::Run(std::span<const double> values) const {
    double* top = stack_.data();  // one past the newest value
    for (const Step& step : steps_) {
        switch (step.code) {
            case Code::Constant:
                *top++ = step.constant;
                break;
            case Code::Token:
                *top++ = values[step.index];
                break;
            case Code::Negate:
                top[-1] = -top[-1];
                break;
            case Code::Not:
                if (std::isnan(top[-1])) {
                    return std::nullopt;
                }
                top[-1] = Truth(top[-1] == 0.0);
                break;
            case Code::Binary: {
                const double right = *--top;
                const double left = top[-1];
                if (RefusesNotANumber(step.op) && (std::isnan(left) || std::isnan(right))) {
                    return std::nullopt;
                }
                top[-1] = ApplyOperator(step.op, left, right);
                break;
            }
            case Code::Call: {
                top -= step.index;
                ArgumentFold arguments;
                for (std::uint32_t i = 0; i < step.index; ++i) {
                    arguments.Add(top[i]);
                }
                if (arguments.any_not_a_number) {
                    return std::nullopt;
                }
                const FunctionResult result = step.function->apply(arguments);
                if (!result.refusal.empty()) {
                    return std::nullopt;
                }
                *top++ = result.value;
                break;
            }
        }
    }
    const double value = top[-1];
    if (std::isnan(value)) {
        return std::nullopt;
    }
    return value;
}

auto ProgramBuilder::Number(double value) -> Value {
    program_.Push({ExpressionProgram::Code::Constant, {}, 0, value, nullptr}, 1);
    return {};
}

auto ProgramBuilder::Negate(Value /*operand*/) -> Value {
    program_.Push({ExpressionProgram::Code::Negate, {}, 0, 0.0, nullptr}, 0);
    return {};
}

auto ProgramBuilder::Not(Value /*operand*/, std::size_t /*at*/) -> Value {
    program_.Push({ExpressionProgram::Code::Not, {}, 0, 0.0, nullptr}, 0);
    return {};
}

auto ProgramBuilder::Binary(ExpressionOperator op, Value /*left*/, Value /*right*/,
                            std::size_t /*at*/) -> Value {
    program_.Push({ExpressionProgram::Code::Binary, op, 0, 0.0, nullptr}, -1);
    return {};
}

auto ProgramBuilder::Call(const BuiltinFunction& function, const Arguments& arguments,
                          std::size_t /*at*/) -> Value {
    program_.Push({ExpressionProgram::Code::Call,
                   {},
                   static_cast<std::uint32_t>(arguments.count),
                   0.0,
                   &function},
                  1 - arguments.count);
    return {};
}

const TokenSpan* ProgramBuilder::TokenAt(std::size_t at) const {
    const auto found = std::lower_bound(
        tokens_.begin(), tokens_.end(), at,
        [](const TokenSpan& token, std::size_t position) { return token.begin < position; });
    return found != tokens_.end() && found->begin == at ? &*found : nullptr;
}

std::size_t ProgramBuilder::TokenLength(std::size_t at) const {
    const TokenSpan* token = TokenAt(at);
    return token != nullptr ? token->length : 0;
}

auto ProgramBuilder::Token(std::size_t at) -> Value {
    program_.Push({ExpressionProgram::Code::Token, {}, TokenAt(at)->value_index, 0.0, nullptr}, 1);
    return {};
}

}  // namespace quillon
