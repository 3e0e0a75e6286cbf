// SPDX-License-Identifier: MIT
#include "agent/mime_text.hpp"

#include <algorithm>

namespace quillon::agent {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::size_t kLineLimit = 76;
// Header lines are folded before 78 characters; an encoded word of 42 bytes is 68 long,
// so that even the first one fits beside "Subject: ".
constexpr std::size_t kFoldWidth = 78;
constexpr std::size_t kEncodedChunk = 42;

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

// Anything but printable ASCII and blanks, and words no fold can shorten enough.
bool NeedsEncoding(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 127 || (byte < 32 && byte != ' ')) {
            return true;
        }
    }
    return text.find("=?") != std::string::npos;
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
    return NeedsEncoding(text) ? EncodedWords(text) : text;
}

std::string EncodedWords(const std::string& text) {
    std::string out;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = std::min(text.size(), begin + kEncodedChunk);
        // A character's bytes stay in one word.
        while (end < text.size() && end > begin + 1 &&
               (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) {
            --end;
        }
        out += (out.empty() ? "" : "\r\n ") + std::string("=?utf-8?B?") +
               Base64(text.substr(begin, end - begin)) + "?=";
        begin = end;
    }
    return out;
}

std::string HeaderField(const std::string& name, const std::string& value) {
    const std::string start = name + ": ";
    std::vector<std::string> words;
    bool fits = !NeedsEncoding(value);
    for (std::size_t begin = 0; fits && begin <= value.size();) {
        const std::size_t end = std::min(value.find(' ', begin), value.size());
        words.push_back(value.substr(begin, end - begin));
        fits = words.back().size() + start.size() <= kFoldWidth;
        begin = end + 1;
    }
    if (!fits) {
        return start + EncodedWords(value) + "\r\n";
    }
    std::string out = start;
    std::size_t width = start.size();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && width + 1 + words[i].size() > kFoldWidth) {
            out += "\r\n";
            width = 0;
        }
        out += (i > 0 ? " " : "") + words[i];
        width += (i > 0 ? 1 : 0) + words[i].size();
    }
    return out + "\r\n";
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
