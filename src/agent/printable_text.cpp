// SPDX-License-Identifier: MIT
#include "agent/printable_text.hpp"

#include <charconv>
#include <cmath>

namespace quillon::agent {
namespace {

std::string Hex(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string{'\\', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
}

// The length of the UTF-8 sequence at `at`, or 0 when it is none (or a C1 control).
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
    }
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) {
            return 0;
        }
    }
    // U+0080 to U+009F: terminals take some of them for escape sequences.
    const bool c1 = lead == 0xc2 && static_cast<unsigned char>(text[at + 1]) < 0xa0;
    return c1 ? 0 : length;
}

}  // namespace

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7f) {
            out += text[at++];
            continue;
        }
        const std::size_t length = byte >= 0x80 ? Utf8Length(text, at) : 0;
        if (length == 0) {
            out += Hex(byte);
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::optional<long long> WholeInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> FiniteNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace quillon::agent
