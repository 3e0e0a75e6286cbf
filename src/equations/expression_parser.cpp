// SPDX-License-Identifier: MIT
#include "equations/expression_parser.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "equations/evaluation_error.hpp"
#include "equations/expression_program.hpp"

namespace quillon {
namespace {

// Bounds the recursion so that no text can overflow the stack.
constexpr int kMaxDepth = 200;
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameCharacter(char c) {
    return IsLetter(c) || IsDigit(c);
}

// Appends rather than adds literals to strings, which GCC 12 misreads as overlapping copies.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::string DescribeCharacter(char c) {
    if (c > ' ' && c < '\x7f') {
        return Quoted(std::string_view(&c, 1));
    }
    char code[4] = {};
    std::to_chars(code, code + sizeof code, static_cast<unsigned char>(c), 16);
    return std::string("0x").append(code);
}

}  // namespace

std::string QuotedForMessage(std::string_view reason, std::string_view name) {
    std::string text(reason);
    text.append(Quoted(name));
    return text;
}

double NumericSemantics::Not(double operand, std::size_t at) const {
    if (std::isnan(operand)) {
        throw EvaluationError(at, QuotedForMessage("not a number given to ", "!"));
    }
    return Truth(operand == 0.0);
}

double NumericSemantics::Binary(ExpressionOperator op, double left, double right,
                                std::size_t at) const {
    if (RefusesNotANumber(op) && (std::isnan(left) || std::isnan(right))) {
        throw EvaluationError(at, QuotedForMessage("not a number given to ", OperatorSymbol(op)));
    }
    return ApplyOperator(op, left, right);
}

double NumericSemantics::Call(const BuiltinFunction& function, const ArgumentFold& arguments,
                              std::size_t at) const {
    if (arguments.any_not_a_number) {
        throw EvaluationError(at, QuotedForMessage("not a number given to ", function.name));
    }
    const FunctionResult result = function.apply(arguments);
    if (!result.refusal.empty()) {
        throw EvaluationError(at, std::string(result.refusal));
    }
    return result.value;
}

double NumericSemantics::Finish(double value, std::size_t end) const {
    if (std::isnan(value)) {
        throw EvaluationError(end, "result is not a number");
    }
    return value;
}

// equation = [or]
template <class S>
auto ExpressionParser<S>::ParseEquation() -> Value {
    SkipBlanks();
    if (AtEnd()) {
        return semantics_.Empty();
    }
    const Value value = ParseOr();
    SkipBlanks();
    if (!AtEnd()) {
        FailOnCharacter();
    }
    return semantics_.Finish(value, position_);
}

// or = and {"|" and}
template <class S>
auto ExpressionParser<S>::ParseOr() -> Value {
    Value value = ParseAnd();
    for (std::size_t at = position_; Accept('|'); at = position_) {
        const Value right = ParseAnd();
        value = semantics_.Binary(ExpressionOperator::Or, value, right, at);
    }
    return value;
}

// and = equality {"&" equality}
template <class S>
auto ExpressionParser<S>::ParseAnd() -> Value {
    Value value = ParseEquality();
    for (std::size_t at = position_; Accept('&'); at = position_) {
        const Value right = ParseEquality();
        value = semantics_.Binary(ExpressionOperator::And, value, right, at);
    }
    return value;
}

// equality = relation {("==" | "!=") relation}
template <class S>
auto ExpressionParser<S>::ParseEquality() -> Value {
    Value value = ParseRelation();
    for (;;) {
        const std::size_t at = position_;
        const bool equal = Accept("==");
        if (!equal && !Accept("!=")) {
            return value;
        }
        const Value right = ParseRelation();
        value = semantics_.Binary(equal ? ExpressionOperator::Equal : ExpressionOperator::NotEqual,
                                  value, right, at);
    }
}

// relation = sum {("<=" | ">=" | "<" | ">") sum}
template <class S>
auto ExpressionParser<S>::ParseRelation() -> Value {
    Value value = ParseSum();
    for (;;) {
        const std::size_t at = position_;
        ExpressionOperator op{};
        if (Accept("<=")) {
            op = ExpressionOperator::LessEqual;
        } else if (Accept(">=")) {
            op = ExpressionOperator::GreaterEqual;
        } else if (Accept('<')) {
            op = ExpressionOperator::Less;
        } else if (Accept('>')) {
            op = ExpressionOperator::Greater;
        } else {
            return value;
        }
        const Value right = ParseSum();
        value = semantics_.Binary(op, value, right, at);
    }
}

// sum = product {("+" | "-") product}
template <class S>
auto ExpressionParser<S>::ParseSum() -> Value {
    Value value = ParseProduct();
    for (;;) {
        const std::size_t at = position_;
        ExpressionOperator op{};
        if (Accept('+')) {
            op = ExpressionOperator::Add;
        } else if (Accept('-')) {
            op = ExpressionOperator::Subtract;
        } else {
            return value;
        }
        const Value right = ParseProduct();
        value = semantics_.Binary(op, value, right, at);
    }
}

// product = power {("*" | "/" | "%") power}
template <class S>
auto ExpressionParser<S>::ParseProduct() -> Value {
    Value value = ParsePower();
    for (;;) {
        const std::size_t at = position_;
        ExpressionOperator op{};
        if (Accept('*')) {
            op = ExpressionOperator::Multiply;
        } else if (Accept('/')) {
            op = ExpressionOperator::Divide;
        } else if (Accept('%')) {
            op = ExpressionOperator::Remainder;
        } else {
            return value;
        }
        const Value right = ParsePower();
        value = semantics_.Binary(op, value, right, at);
    }
}

// power = unary ["^" power]
// The sign belongs to the base, as in spreadsheets, because a substituted negative sample has
// no parentheses: "-3.^2" is 9.
template <class S>
auto ExpressionParser<S>::ParsePower() -> Value {
    const Value base = ParseUnary();
    const std::size_t at = position_;
    if (!Accept('^')) {
        return base;
    }
    const Value exponent = Nested(&ExpressionParser::ParsePower);
    return semantics_.Binary(ExpressionOperator::Power, base, exponent, at);
}

// unary = ("-" | "!") unary | token | primary
template <class S>
auto ExpressionParser<S>::ParseUnary() -> Value {
    if (Accept('-')) {
        return semantics_.Negate(Nested(&ExpressionParser::ParseUnary));
    }
    const std::size_t at = position_;
    if (Accept('!')) {
        return semantics_.Not(Nested(&ExpressionParser::ParseUnary), at);
    }
    if (semantics_.TokenLength(position_) > 0) {
        return ParseToken();
    }
    return ParsePrimary();
}

// A token stands for a number that, when negative, is written with a sign: the sign reads as
// one more unary level, which the depth bound must see whatever the value.
template <class S>
auto ExpressionParser<S>::ParseToken() -> Value {
    if (depth_ + 1 > kMaxDepth) {
        Fail(position_, "too deeply nested");
    }
    const Value value = semantics_.Token(position_);
    position_ += semantics_.TokenLength(position_);
    return value;
}

// primary = number | "(" or ")" | call
template <class S>
auto ExpressionParser<S>::ParsePrimary() -> Value {
    SkipBlanks();
    const char c = Peek();
    if (IsDigit(c) || c == '.') {
        return ParseNumber();
    }
    if (c == '(') {
        return ParseParenthesised();
    }
    if (IsLetter(c)) {
        return ParseCall();
    }
    if (AtEnd()) {
        Fail(position_, "expected a value");
    }
    FailOnCharacter();
}

// number = [digits] ["." [digits]] [("e" | "E") ["+" | "-"] digits]
template <class S>
auto ExpressionParser<S>::ParseNumber() -> Value {
    const std::size_t start = position_;
    SkipDigits();
    if (Peek() == '.') {
        ++position_;
        SkipDigits();
    }
    SkipExponent();
    return semantics_.Number(ReadNumber(start));
}

template <class S>
double ExpressionParser<S>::ReadNumber(std::size_t start) const {
    const std::string_view literal = text_.substr(start, position_ - start);
    if (literal == ".") {
        return 0.0;
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(literal.data(), literal.data() + literal.size(), value);
    if (error == std::errc::result_out_of_range) {
        Fail(start, "number out of range");
    }
    if (error != std::errc{} || end != literal.data() + literal.size()) {
        Fail(start, QuotedForMessage("invalid number ", literal));
    }
    return value;
}

// "(" or ")"
template <class S>
auto ExpressionParser<S>::ParseParenthesised() -> Value {
    Expect('(', "expected \"(\"");
    const Value value = Nested(&ExpressionParser::ParseOr);
    Expect(')', "expected \")\"");
    return value;
}

// call = name "(" arguments ")"
template <class S>
auto ExpressionParser<S>::ParseCall() -> Value {
    const std::size_t name_position = position_;
    const std::string_view name = ReadName();
    const BuiltinFunction* const function = FindBuiltinFunction(name);
    if (function == nullptr) {
        SkipBlanks();
        Fail(name_position,
             QuotedForMessage(Peek() == '(' ? "unknown function " : "unknown name ", name));
    }
    Expect('(', "expected \"(\"");
    const typename S::Arguments arguments = ParseArguments(*function);
    return semantics_.Call(*function, arguments, name_position);
}

// arguments = or {"," or}
template <class S>
auto ExpressionParser<S>::ParseArguments(const BuiltinFunction& function) -> typename S::Arguments {
    typename S::Arguments arguments{};
    if (Accept(')')) {
        Fail(position_ - 1, QuotedForMessage("too few arguments to ", function.name));
    }
    do {
        if (semantics_.ArgumentCount(arguments) == function.max_arguments) {
            Fail(position_ - 1, QuotedForMessage("too many arguments to ", function.name));
        }
        semantics_.AddArgument(arguments, Nested(&ExpressionParser::ParseOr));
    } while (Accept(','));
    const bool more_allowed = semantics_.ArgumentCount(arguments) < function.max_arguments;
    Expect(')', more_allowed ? "expected \",\" or \")\"" : "expected \")\"");
    return arguments;
}

template <class S>
auto ExpressionParser<S>::Nested(Value (ExpressionParser::*level)()) -> Value {
    if (++depth_ > kMaxDepth) {
        Fail(position_, "too deeply nested");
    }
    const Value value = (this->*level)();
    --depth_;
    return value;
}

template <class S>
std::string_view ExpressionParser<S>::ReadName() {
    const std::size_t start = position_;
    while (IsNameCharacter(Peek())) {
        ++position_;
    }
    return text_.substr(start, position_ - start);
}

template <class S>
void ExpressionParser<S>::SkipDigits() {
    while (IsDigit(Peek())) {
        ++position_;
    }
}

// Takes "e" only when digits follow, so that "2e" stops before the "e".
template <class S>
void ExpressionParser<S>::SkipExponent() {
    if (Peek() != 'e' && Peek() != 'E') {
        return;
    }
    const std::size_t sign = Peek(1) == '+' || Peek(1) == '-' ? 1 : 0;
    if (IsDigit(Peek(1 + sign))) {
        position_ += 1 + sign;
        SkipDigits();
    }
}

template <class S>
void ExpressionParser<S>::SkipBlanks() {
    while (IsBlank(Peek())) {
        ++position_;
    }
}

template <class S>
char ExpressionParser<S>::Peek(std::size_t ahead) const {
    const std::size_t at = position_ + ahead;
    return at < text_.size() ? text_[at] : '\0';
}

template <class S>
bool ExpressionParser<S>::Accept(char symbol) {
    SkipBlanks();
    if (AtEnd() || text_[position_] != symbol) {
        return false;
    }
    ++position_;
    return true;
}

// Compares character by character: a two-character operator is no job for memcmp.
template <class S>
bool ExpressionParser<S>::Accept(std::string_view symbol) {
    SkipBlanks();
    for (std::size_t i = 0; i < symbol.size(); ++i) {
        if (Peek(i) != symbol[i]) {
            return false;
        }
    }
    position_ += symbol.size();
    return true;
}

template <class S>
void ExpressionParser<S>::Expect(char symbol, const char* reason) {
    if (!Accept(symbol)) {
        Fail(position_, reason);
    }
}

template <class S>
void ExpressionParser<S>::Fail(std::size_t position, std::string reason) const {
    throw EvaluationError(position, std::move(reason));
}

template <class S>
void ExpressionParser<S>::FailOnCharacter() const {
    Fail(position_,
         std::string("unexpected character ").append(DescribeCharacter(text_[position_])));
}

template class ExpressionParser<NumericSemantics>;
template class ExpressionParser<ProgramBuilder>;

}  // namespace quillon
