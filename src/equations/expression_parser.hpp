// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "equations/argument_fold.hpp"
#include "equations/builtin_function.hpp"

namespace quillon {

// Reads one equation by recursive descent and computes its value on the way, one function per
// precedence level, loosest first. Nothing is allocated unless the text is wrong.
class ExpressionParser {
public:
    explicit ExpressionParser(std::string_view text) : text_(text) {}

    // Throws EvaluationError.
    double ParseEquation();

private:
    double ParseOr();
    double ParseAnd();
    double ParseEquality();
    double ParseRelation();
    double ParseSum();
    double ParseProduct();
    double ParsePower();
    double ParseUnary();
    double ParsePrimary();
    double ParseNumber();
    double ParseParenthesised();
    double ParseCall();
    ArgumentFold ParseArguments(const BuiltinFunction& function);
    double Apply(const BuiltinFunction& function, const ArgumentFold& arguments,
                 std::size_t name_position) const;

    void RequireNumbers(double left, double right, std::size_t at, std::string_view op) const;
    double Nested(double (ExpressionParser::*level)());
    double ReadNumber(std::size_t start) const;
    std::string_view ReadName();
    void SkipDigits();
    void SkipExponent();
    void SkipBlanks();
    bool AtEnd() const { return position_ >= text_.size(); }
    char Peek(std::size_t ahead = 0) const;
    bool Accept(char symbol);
    bool Accept(std::string_view symbol);
    void Expect(char symbol, const char* reason);
    [[noreturn]] void Fail(std::size_t position, std::string reason) const;
    [[noreturn]] void FailOnCharacter() const;

    std::string_view text_;
    std::size_t position_ = 0;
    int depth_ = 0;
};

}  // namespace quillon
