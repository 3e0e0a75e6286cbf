// SPDX-License-Identifier: MIT
#include "agent/mime_text.hpp"

namespace quillon::agent {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::size_t kLineLimit = 76;

std::string Escaped(unsigned char c) {
    return std::string{'=', kHex[c >> 4], kHex[c & 15]};
}

bool IsLiteral(unsigned char c) {
    return (c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t';
}

std::string QuotedLine(const std::string& line) {
    std::string out;
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        // A blank at a line's end would be lost in transport.
        const bool last = i + 1 == line.size();
        std::string piece = IsLiteral(c) && !(last && (c == ' ' || c == '\t'))
                                ? std::string(1, static_cast<char>(c))
                                : Escaped(c);
        if (width + piece.size() > kLineLimit - 1) {
            out += "=\r\n";
            width = 0;
        }
        out += piece;
        width += piece.size();
    }
    return out;
}

std::string Base64(const std::string& data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const unsigned value = (static_cast<unsigned char>(data[i]) << 16) |
                               (static_cast<unsigned char>(data[i + 1]) << 8) |
                               static_cast<unsigned char>(data[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            out += kAlphabet[(value >> shift) & 63];
        }
    }
    if (i < data.size()) {
        unsigned value = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size()) {
            value |= static_cast<unsigned char>(data[i + 1]) << 8;
        }
        out += kAlphabet[(value >> 18) & 63];
        out += kAlphabet[(value >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(value >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string QuotedPrintable(const std::string& text) {
    std::string out;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = text.find('\n', begin);
        const std::string line =
            text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        out += QuotedLine(line);
        if (end == std::string::npos) {
            break;
        }
        out += "\r\n";
        begin = end + 1;
    }
    return out;
}

std::string EncodedHeaderWord(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128 || byte < 32) {
            return "=?utf-8?B?" + Base64(text) + "?=";
        }
    }
    return text;
}

std::string HtmlDocument(const std::vector<std::string>& lines) {
    std::string html = "<html><body>\n<p>";
    bool paragraph_empty = true;
    for (const std::string& line : lines) {
        if (line.empty()) {
            if (!paragraph_empty) {
                html += "</p>\n<p>";
                paragraph_empty = true;
            }
            continue;
        }
        html += (paragraph_empty ? "" : "<br>\n") + HtmlEscaped(line);
        paragraph_empty = false;
    }
    return html + "</p>\n</body></html>\n";
}

}  // namespace quillon::agent
