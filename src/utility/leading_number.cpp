// SPDX-License-Identifier: MIT
#include "utility/leading_number.hpp"

#include <charconv>
#include <optional>
#include <string>

namespace quillon {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Collects the characters of the leading number without blanks, in a form strtod reads.
class NumberScanner {
public:
    NumberScanner(std::string_view text, std::string_view separator)
        : text_(text), separator_(separator) {}

    std::string Scan() {
        TakeSign();
        const bool mantissa = TakeDigits() + TakePointAndFraction() > 0;
        if (!mantissa) {
            return {};
        }
        TakeExponent();
        return out_;
    }

private:
    char Peek() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }

    void TakeSign() {
        const char c = Peek();
        if (c == '+' || c == '-') {
            out_ += c;
            ++pos_;
        }
    }

    int TakeDigits() {
        int count = 0;
        while (IsDigit(Peek())) {
            out_ += text_[pos_++];
            ++count;
        }
        return count;
    }

    int TakePointAndFraction() {
        if (Peek() == '.') {
            ++pos_;
        } else if (!separator_.empty() && text_.substr(pos_).starts_with(separator_)) {
            pos_ += separator_.size();
        } else {
            return 0;
        }
        out_ += '.';
        return TakeDigits();
    }

    // An exponent counts only when digits follow it; otherwise the number ends before "E".
    void TakeExponent() {
        const char c = Peek();
        if (c != 'E' && c != 'e') {
            return;
        }
        const std::size_t mark = pos_;
        const std::size_t out_mark = out_.size();
        out_ += 'e';
        ++pos_;
        TakeSign();
        if (TakeDigits() == 0) {
            pos_ = mark;
            out_.resize(out_mark);
        }
    }

    std::string_view text_;
    std::string_view separator_;
    std::size_t pos_ = 0;
    std::string out_;
};

// Skips blanks from `pos`; the next character, or '\0' at the end.
char NextCharacter(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos < text.size() ? text[pos] : '\0';
}

int DigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

int RadixOfLetter(char letter) {
    if (letter == 'H' || letter == 'h') {
        return 16;
    }
    return (letter == 'O' || letter == 'o') ? 8 : 0;
}

// The base an "&H" or "&O" prefix at the start announces, and the position after it.
std::optional<int> RadixPrefix(std::string_view text, std::size_t& pos) {
    if (NextCharacter(text, pos) != '&') {
        return std::nullopt;
    }
    std::size_t after = pos + 1;
    const char letter = NextCharacter(text, after);
    const int base = RadixOfLetter(letter);
    if (base == 0) {
        return std::nullopt;
    }
    pos = after + 1;
    return base;
}

double RadixInteger(std::string_view text, std::size_t pos, int base) {
    double value = 0.0;
    for (int digit = DigitValue(NextCharacter(text, pos)); digit < base;
         digit = DigitValue(NextCharacter(text, ++pos))) {
        value = value * base + digit;
    }
    return value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    return LeadingNumber(text, NumberSyntax{});
}

double LeadingNumber(std::string_view text, const NumberSyntax& syntax) {
    if (syntax.radix_prefixes) {
        std::size_t pos = 0;
        if (const std::optional<int> base = RadixPrefix(text, pos)) {
            return RadixInteger(text, pos, *base);
        }
    }
    const std::string number = NumberScanner(text, syntax.decimal_separator).Scan();
    if (number.empty()) {
        return 0.0;
    }
    // from_chars: the point is "." whatever the process locale, and it takes no "+".
    const std::size_t start = number[0] == '+' ? 1 : 0;
    double value = 0.0;
    const auto result =
        std::from_chars(number.data() + start, number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = number[0] == '-';
        const bool tiny = number.find("e-") != std::string::npos;
        if (tiny) {
            return 0.0;
        }
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

}  // namespace quillon
