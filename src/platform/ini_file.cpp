// SPDX-License-Identifier: MIT
#include "platform/ini_file.hpp"

#include <algorithm>
#include <cctype>

namespace quillon {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The name of a "[name]" line, or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    const std::size_t stop = close == std::string_view::npos ? line.size() : close;
    return Trim(line.substr(1, stop - 1));
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::optional<IniFile::Line> IniFile::LineAt(std::size_t pos) const {
    if (pos >= text_.size()) {
        return std::nullopt;
    }
    std::size_t newline = text_.find('\n', pos);
    const std::size_t next = newline == std::string::npos ? text_.size() : newline + 1;
    std::size_t end = newline == std::string::npos ? text_.size() : newline;
    if (end > pos && text_[end - 1] == '\r') {
        --end;
    }
    return Line{pos, end, next};
}

std::string_view IniFile::LineText(const Line& line) const {
    return std::string_view(text_).substr(line.begin, line.end - line.begin);
}

std::optional<IniFile::SectionSpan> IniFile::FindSection(std::string_view section) const {
    std::optional<SectionSpan> span;
    for (auto line = LineAt(0); line; line = LineAt(line->next)) {
        const auto name = SectionName(LineText(*line));
        if (span && name) {
            span->end = line->begin;
            return span;
        }
        if (span) {
            if (!Trim(LineText(*line)).empty()) {
                span->insert_at = line->next;
            }
        } else if (name && SameName(*name, section)) {
            span = SectionSpan{line->next, line->next, text_.size()};
        }
    }
    return span;
}

std::optional<IniFile::Line> IniFile::FindKey(const SectionSpan& span, std::string_view key) const {
    for (auto line = LineAt(span.body); line && line->begin < span.end; line = LineAt(line->next)) {
        const std::string_view text = LineText(*line);
        const std::size_t equals = text.find('=');
        if (equals != std::string_view::npos && SameName(Trim(text.substr(0, equals)), key)) {
            return line;
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const auto span = FindSection(section);
    if (!span) {
        return std::nullopt;
    }
    const auto line = FindKey(*span, key);
    if (!line) {
        return std::nullopt;
    }
    const std::string_view text = LineText(*line);
    return std::string(StripQuotes(Trim(text.substr(text.find('=') + 1))));
}

std::string IniFile::NewlineOfText(std::string_view fallback) const {
    const std::size_t newline = text_.find('\n');
    if (newline == std::string::npos) {
        return std::string(fallback);
    }
    return newline > 0 && text_[newline - 1] == '\r' ? "\r\n" : "\n";
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value,
                       std::string_view newline) {
    const std::string eol = NewlineOfText(newline);
    const std::string entry = std::string(key) + "=" + std::string(value);
    auto span = FindSection(section);
    if (!span) {
        if (!text_.empty() && text_.back() != '\n') {
            text_ += eol;
        }
        text_ += "[" + std::string(section) + "]" + eol + entry + eol;
        return;
    }
    if (const auto line = FindKey(*span, key)) {
        text_.replace(line->begin, line->end - line->begin, entry);
        return;
    }
    std::string insertion = entry + eol;
    // A last line without its line end gets one before the new key follows it.
    if (span->insert_at == text_.size() && !text_.empty() && text_.back() != '\n') {
        insertion = eol + insertion;
    }
    text_.insert(span->insert_at, insertion);
}

}  // namespace quillon
