// SPDX-License-Identifier: MIT
#include "host/syntax/line_syntax.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace quillon::syntax {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// Reads a quoted part starting after its opening quote; returns the index after the closing one.
std::size_t AppendQuoted(std::string_view line, std::size_t at, std::string& word) {
    while (at < line.size()) {
        const char c = line[at];
        if (c == '"') {
            return at + 1;
        }
        const bool escape =
            c == '\\' && at + 1 < line.size() && (line[at + 1] == '"' || line[at + 1] == '\\');
        word += escape ? line[at + 1] : c;
        at += escape ? 2 : 1;
    }
    throw std::invalid_argument("unterminated quoted text; close it with \"");
}

}  // namespace

Words SplitLine(std::string_view line) {
    Words words;
    std::string word;
    bool in_word = false;
    std::size_t at = 0;
    while (at < line.size() && line[at] != '#') {
        const char c = line[at];
        if (IsBlank(c)) {
            if (in_word) {
                words.push_back(std::move(word));
                word.clear();
            }
            in_word = false;
            ++at;
        } else if (c == '"') {
            in_word = true;
            at = AppendQuoted(line, at + 1, word);
        } else {
            in_word = true;
            word += c;
            ++at;
        }
    }
    if (in_word) {
        words.push_back(std::move(word));
    }
    return words;
}

double ParseNumber(std::string_view text, std::string_view what) {
    // from_chars takes no leading '+', people write one.
    const bool plus = text.size() > 1 && text[0] == '+' && text[1] != '-';
    const char* begin = text.data() + (plus ? 1 : 0);
    const char* end = text.data() + text.size();
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end || !std::isfinite(value)) {
        throw std::invalid_argument(std::string(what) + " must be a number, got " + Quoted(text));
    }
    return value;
}

double ParseSeconds(std::string_view text, std::string_view what) {
    const double value = ParseNumber(text, what);
    if (value < 0.0) {
        throw std::invalid_argument(std::string(what) + " must not be negative, got " +
                                    Quoted(text));
    }
    return value;
}

std::int64_t ParseInteger(std::string_view text, std::string_view what, std::int64_t low,
                          std::int64_t high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        throw std::invalid_argument(std::string(what) + " must be a whole number from " +
                                    std::to_string(low) + " to " + std::to_string(high) + ", got " +
                                    Quoted(text));
    }
    return value;
}

std::pair<std::string, std::string> SplitSetting(const std::string& word) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
        throw std::invalid_argument("expected a setting name=value, got " + Quoted(word));
    }
    return {word.substr(0, equals), word.substr(equals + 1)};
}

std::pair<double, double> ParseRange(const std::string& value) {
    const std::size_t comma = value.find(',');
    if (comma == std::string::npos) {
        throw std::invalid_argument("range must be written UPPER,LOWER, got " + Quoted(value));
    }
    return {ParseNumber(value.substr(0, comma), "range upper value"),
            ParseNumber(value.substr(comma + 1), "range lower value")};
}

std::int32_t ParseModel(std::string_view text) {
    return static_cast<std::int32_t>(ParseInteger(text, "model",
                                                  std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string JoinChoices(const std::vector<std::string_view>& choices) {
    std::string joined;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) {
            joined += i + 1 == choices.size() ? " or " : ", ";
        }
        joined += choices[i];
    }
    return joined;
}

}  // namespace quillon::syntax
