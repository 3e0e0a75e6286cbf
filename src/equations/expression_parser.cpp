// SPDX-License-Identifier: MIT
#include "equations/expression_parser.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "equations/evaluation_error.hpp"

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

double Truth(bool condition) {
    return condition ? 1.0 : 0.0;
}

// Appends rather than adds literals to strings, which GCC 12 misreads as overlapping copies.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::string WithQuoted(std::string_view reason, std::string_view name) {
    std::string text(reason);
    text.append(Quoted(name));
    return text;
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

// equation = [or]
double ExpressionParser::ParseEquation() {
    SkipBlanks();
    if (AtEnd()) {
        return 0.0;
    }
    const double value = ParseOr();
    SkipBlanks();
    if (!AtEnd()) {
        FailOnCharacter();
    }
    if (std::isnan(value)) {
        Fail(position_, "result is not a number");
    }
    return value;
}

// or = and {"|" and}
double ExpressionParser::ParseOr() {
    double value = ParseAnd();
    for (std::size_t at = position_; Accept('|'); at = position_) {
        const double right = ParseAnd();
        RequireNumbers(value, right, at, "|");
        value = Truth(value != 0.0 || right != 0.0);
    }
    return value;
}

// and = equality {"&" equality}
double ExpressionParser::ParseAnd() {
    double value = ParseEquality();
    for (std::size_t at = position_; Accept('&'); at = position_) {
        const double right = ParseEquality();
        RequireNumbers(value, right, at, "&");
        value = Truth(value != 0.0 && right != 0.0);
    }
    return value;
}

// equality = relation {("==" | "!=") relation}
double ExpressionParser::ParseEquality() {
    double value = ParseRelation();
    for (;;) {
        const std::size_t at = position_;
        const bool equal = Accept("==");
        if (!equal && !Accept("!=")) {
            return value;
        }
        const double right = ParseRelation();
        RequireNumbers(value, right, at, equal ? "==" : "!=");
        value = Truth((value == right) == equal);
    }
}

// relation = sum {("<=" | ">=" | "<" | ">") sum}
double ExpressionParser::ParseRelation() {
    double value = ParseSum();
    for (;;) {
        const std::size_t at = position_;
        std::string_view op;
        for (const std::string_view candidate : {"<=", ">=", "<", ">"}) {
            if (Accept(candidate)) {
                op = candidate;
                break;
            }
        }
        if (op.empty()) {
            return value;
        }
        const double right = ParseSum();
        RequireNumbers(value, right, at, op);
        value = Truth(op == "<="   ? value <= right
                      : op == ">=" ? value >= right
                      : op == "<"  ? value < right
                                   : value > right);
    }
}

// sum = product {("+" | "-") product}
double ExpressionParser::ParseSum() {
    double value = ParseProduct();
    for (;;) {
        if (Accept('+')) {
            value += ParseProduct();
        } else if (Accept('-')) {
            value -= ParseProduct();
        } else {
            return value;
        }
    }
}

// product = power {("*" | "/" | "%") power}
double ExpressionParser::ParseProduct() {
    double value = ParsePower();
    for (;;) {
        if (Accept('*')) {
            value *= ParsePower();
        } else if (Accept('/')) {
            value /= ParsePower();
        } else if (Accept('%')) {
            value = std::fmod(value, ParsePower());
        } else {
            return value;
        }
    }
}

// power = unary ["^" power]
// The sign belongs to the base, as in spreadsheets, because a substituted negative sample has
// no parentheses: "-3.^2" is 9.
double ExpressionParser::ParsePower() {
    const double base = ParseUnary();
    const std::size_t at = position_;
    if (!Accept('^')) {
        return base;
    }
    const double exponent = Nested(&ExpressionParser::ParsePower);
    // pow makes 1 of (NaN)^0 and 1^(NaN): an undefined operand must not vanish.
    RequireNumbers(base, exponent, at, "^");
    return std::pow(base, exponent);
}

// unary = ("-" | "!") unary | primary
double ExpressionParser::ParseUnary() {
    if (Accept('-')) {
        return -Nested(&ExpressionParser::ParseUnary);
    }
    const std::size_t at = position_;
    if (Accept('!')) {
        const double operand = Nested(&ExpressionParser::ParseUnary);
        RequireNumbers(operand, operand, at, "!");
        return Truth(operand == 0.0);
    }
    return ParsePrimary();
}

// primary = number | "(" or ")" | call
double ExpressionParser::ParsePrimary() {
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
double ExpressionParser::ParseNumber() {
    const std::size_t start = position_;
    SkipDigits();
    if (Peek() == '.') {
        ++position_;
        SkipDigits();
    }
    SkipExponent();
    return ReadNumber(start);
}

double ExpressionParser::ReadNumber(std::size_t start) const {
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
        Fail(start, WithQuoted("invalid number ", literal));
    }
    return value;
}

// "(" or ")"
double ExpressionParser::ParseParenthesised() {
    Expect('(', "expected \"(\"");
    const double value = Nested(&ExpressionParser::ParseOr);
    Expect(')', "expected \")\"");
    return value;
}

// call = name "(" arguments ")"
double ExpressionParser::ParseCall() {
    const std::size_t name_position = position_;
    const std::string_view name = ReadName();
    const BuiltinFunction* const function = FindBuiltinFunction(name);
    if (function == nullptr) {
        SkipBlanks();
        Fail(name_position,
             WithQuoted(Peek() == '(' ? "unknown function " : "unknown name ", name));
    }
    Expect('(', "expected \"(\"");
    const ArgumentFold arguments = ParseArguments(*function);
    return Apply(*function, arguments, name_position);
}

// arguments = or {"," or}
ArgumentFold ExpressionParser::ParseArguments(const BuiltinFunction& function) {
    ArgumentFold arguments;
    if (Accept(')')) {
        Fail(position_ - 1, WithQuoted("too few arguments to ", function.name));
    }
    do {
        if (arguments.count == function.max_arguments) {
            Fail(position_ - 1, WithQuoted("too many arguments to ", function.name));
        }
        arguments.Add(Nested(&ExpressionParser::ParseOr));
    } while (Accept(','));
    const bool more_allowed = arguments.count < function.max_arguments;
    Expect(')', more_allowed ? "expected \",\" or \")\"" : "expected \")\"");
    return arguments;
}

double ExpressionParser::Apply(const BuiltinFunction& function, const ArgumentFold& arguments,
                               std::size_t name_position) const {
    if (arguments.any_not_a_number) {
        Fail(name_position, WithQuoted("not a number given to ", function.name));
    }
    const FunctionResult result = function.apply(arguments);
    if (!result.refusal.empty()) {
        Fail(name_position, std::string(result.refusal));
    }
    return result.value;
}

// NaN never decides a condition: a comparison or a logical operator on it fails the equation,
// so that a negation cannot turn an undefined value into true.
void ExpressionParser::RequireNumbers(double left, double right, std::size_t at,
                                      std::string_view op) const {
    if (std::isnan(left) || std::isnan(right)) {
        Fail(at, WithQuoted("not a number given to ", op));
    }
}

double ExpressionParser::Nested(double (ExpressionParser::*level)()) {
    if (++depth_ > kMaxDepth) {
        Fail(position_, "too deeply nested");
    }
    const double value = (this->*level)();
    --depth_;
    return value;
}

std::string_view ExpressionParser::ReadName() {
    const std::size_t start = position_;
    while (IsNameCharacter(Peek())) {
        ++position_;
    }
    return text_.substr(start, position_ - start);
}

void ExpressionParser::SkipDigits() {
    while (IsDigit(Peek())) {
        ++position_;
    }
}

// Takes "e" only when digits follow, so that "2e" stops before the "e".
void ExpressionParser::SkipExponent() {
    if (Peek() != 'e' && Peek() != 'E') {
        return;
    }
    const std::size_t sign = Peek(1) == '+' || Peek(1) == '-' ? 1 : 0;
    if (IsDigit(Peek(1 + sign))) {
        position_ += 1 + sign;
        SkipDigits();
    }
}

void ExpressionParser::SkipBlanks() {
    while (IsBlank(Peek())) {
        ++position_;
    }
}

char ExpressionParser::Peek(std::size_t ahead) const {
    const std::size_t at = position_ + ahead;
    return at < text_.size() ? text_[at] : '\0';
}

bool ExpressionParser::Accept(char symbol) {
    SkipBlanks();
    if (AtEnd() || text_[position_] != symbol) {
        return false;
    }
    ++position_;
    return true;
}

// Compares character by character: a two-character operator is no job for memcmp.
bool ExpressionParser::Accept(std::string_view symbol) {
    SkipBlanks();
    for (std::size_t i = 0; i < symbol.size(); ++i) {
        if (Peek(i) != symbol[i]) {
            return false;
        }
    }
    position_ += symbol.size();
    return true;
}

void ExpressionParser::Expect(char symbol, const char* reason) {
    if (!Accept(symbol)) {
        Fail(position_, reason);
    }
}

void ExpressionParser::Fail(std::size_t position, std::string reason) const {
    throw EvaluationError(position, std::move(reason));
}

void ExpressionParser::FailOnCharacter() const {
    Fail(position_,
         std::string("unexpected character ").append(DescribeCharacter(text_[position_])));
}

}  // namespace quillon
