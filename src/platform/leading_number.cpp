// SPDX-License-Identifier: MIT
#include "platform/leading_number.hpp"

#include <charconv>
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
    explicit NumberScanner(std::string_view text) : text_(text) {}

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
        if (Peek() != '.') {
            return 0;
        }
        out_ += text_[pos_++];
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
    std::size_t pos_ = 0;
    std::string out_;
};

}  // namespace

double LeadingNumber(std::string_view text) {
    const std::string number = NumberScanner(text).Scan();
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
