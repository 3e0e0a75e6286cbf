// SPDX-License-Identifier: MIT
#include "events/json_line.hpp"

#include <array>
#include <charconv>
#include <cmath>

#include "events/utf8_text.hpp"

namespace quillon {

JsonLine::JsonLine(std::string& out) : out_(out) {
    out_ += '{';
}

void JsonLine::Name(std::string_view name) {
    if (!first_) {
        out_ += ',';
    }
    first_ = false;
    out_ += '"';
    out_ += name;
    out_ += "\":";
}

JsonLine& JsonLine::Text(std::string_view name, std::string_view value) {
    Name(name);
    out_ += '"';
    AppendJsonEscaped(out_, value);
    out_ += '"';
    return *this;
}

JsonLine& JsonLine::Integer(std::string_view name, std::int64_t value) {
    Name(name);
    std::array<char, 24> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    out_.append(text.data(), end);
    return *this;
}

JsonLine& JsonLine::Number(std::string_view name, double value) {
    Name(name);
    if (std::isnan(value)) {
        out_ += "\"nan\"";
        return *this;
    }
    if (std::isinf(value)) {
        out_ += value > 0 ? "\"inf\"" : "\"-inf\"";
        return *this;
    }
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    out_.append(text.data(), end);
    return *this;
}

JsonLine& JsonLine::Fixed(std::string_view name, double value, int decimals) {
    Name(name);
    std::array<char, 48> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, decimals);
    out_.append(text.data(), result.ptr);
    return *this;
}

JsonLine& JsonLine::Boolean(std::string_view name, bool value) {
    Name(name);
    out_ += value ? "true" : "false";
    return *this;
}

void JsonLine::End() {
    out_ += "}\n";
}

void AppendJsonEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, at);
            if (length == 0) {
                out += kReplacementCharacter;
            } else {
                out.append(text.substr(at, length));
                at += length - 1;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xf];
                } else {
                    out += c;
                }
        }
    }
}

}  // namespace quillon
