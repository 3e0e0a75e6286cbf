// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// Appends one JSON object, field by field, to a string that is reused from line to line so
// that an event costs no allocation once the string has grown.
class JsonLine {
public:
    explicit JsonLine(std::string& out);

    JsonLine& Text(std::string_view name, std::string_view value);
    JsonLine& Integer(std::string_view name, std::int64_t value);
    // Shortest text that reads back as the same double; NaN and the infinities, which JSON
    // numbers cannot hold, as the strings "nan", "inf" and "-inf".
    JsonLine& Number(std::string_view name, double value);
    // Fixed-point with `decimals` digits after the point.
    JsonLine& Fixed(std::string_view name, double value, int decimals);
    JsonLine& Boolean(std::string_view name, bool value);
    // Closes the object and ends the line.
    void End();

private:
    void Name(std::string_view name);

    std::string& out_;
    bool first_ = true;
};

// `text` as a JSON string body: quotes, backslashes and control characters escaped, and each
// byte that is not well-formed UTF-8 replaced by U+FFFD, so that every line stays valid JSON.
void AppendJsonEscaped(std::string& out, std::string_view text);

}  // namespace quillon
