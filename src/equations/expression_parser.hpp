// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "equations/argument_fold.hpp"
#include "equations/builtin_function.hpp"
#include "equations/expression_operator.hpp"

namespace quillon {

// Reads one equation by recursive descent, one function per precedence level, loosest first.
// What a level does with what it read is the Semantics' business: NumericSemantics computes
// the value on the way (nothing is allocated unless the text is wrong); ProgramBuilder
// records the steps, so that an equation read once runs every tick without reading text.
// Both use this one grammar, so a compiled equation accepts exactly what the text does.
//
// Semantics provides: Value; Arguments; Number(double); Negate(Value); Not(Value, at);
// Binary(op, Value, Value, at); AddArgument(Arguments&, Value); ArgumentCount(Arguments);
// Call(function, Arguments, at); Finish(Value, end); Empty(); TokenLength(at) (0: no token
// there) and Token(at). Failures throw EvaluationError.
template <class Semantics>
class ExpressionParser {
public:
    using Value = typename Semantics::Value;

    ExpressionParser(std::string_view text, Semantics& semantics)
        : text_(text), semantics_(semantics) {}

    // Throws EvaluationError.
    Value ParseEquation();

private:
    Value ParseOr();
    Value ParseAnd();
    Value ParseEquality();
    Value ParseRelation();
    Value ParseSum();
    Value ParseProduct();
    Value ParsePower();
    Value ParseUnary();
    Value ParseToken();
    Value ParsePrimary();
    Value ParseNumber();
    Value ParseParenthesised();
    Value ParseCall();
    typename Semantics::Arguments ParseArguments(const BuiltinFunction& function);

    Value Nested(Value (ExpressionParser::*level)());
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
    Semantics& semantics_;
    std::size_t position_ = 0;
    int depth_ = 0;
};

// Text quoted for an error message.
std::string QuotedForMessage(std::string_view reason, std::string_view name);

// Computes the value while reading: the evaluator.
class NumericSemantics {
public:
    using Value = double;
    using Arguments = ArgumentFold;

    double Number(double value) const { return value; }
    double Negate(double value) const { return -value; }
    double Not(double operand, std::size_t at) const;
    double Binary(ExpressionOperator op, double left, double right, std::size_t at) const;
    void AddArgument(ArgumentFold& arguments, double value) const { arguments.Add(value); }
    int ArgumentCount(const ArgumentFold& arguments) const { return arguments.count; }
    double Call(const BuiltinFunction& function, const ArgumentFold& arguments,
                std::size_t at) const;
    double Finish(double value, std::size_t end) const;
    double Empty() const { return 0.0; }
    std::size_t TokenLength(std::size_t /*at*/) const { return 0; }
    double Token(std::size_t /*at*/) const { return 0.0; }
};

}  // namespace quillon
