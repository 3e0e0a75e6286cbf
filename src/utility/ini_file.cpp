// SPDX-License-Identifier: MIT
#include "utility/ini_file.hpp"

#include <algorithm>
#include <cctype>

namespace quillon {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
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

// The name of a "[name]" line, or nothing for other lines. The name runs to the last "]", so
// a name that holds "]" reads back; a line without "]" is no section line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

IniFile::IniFile(std::string text) : text_(std::move(text)) {
    FindDataEnd();
}

bool IniFile::IsWritableSectionName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           Trim(name) == name;
}

// The data ends at the first NUL, as the platform reads it; what follows is kept untouched.
void IniFile::FindDataEnd() {
    data_end_ = std::min(text_.find('\0'), text_.size());
}

std::size_t IniFile::DataBegin() const {
    return std::string_view(text_).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Lines end in LF, CR LF or a bare CR.
std::optional<IniFile::Line> IniFile::LineAt(std::size_t pos) const {
    if (pos >= data_end_) {
        return std::nullopt;
    }
    const std::size_t found = text_.find_first_of("\r\n", pos);
    const std::size_t end = std::min(found, data_end_);
    std::size_t next = end;
    if (end < data_end_) {
        next = end + (text_[end] == '\r' && end + 1 < data_end_ && text_[end + 1] == '\n' ? 2 : 1);
    }
    return Line{pos, end, next};
}

std::string_view IniFile::LineText(const Line& line) const {
    return std::string_view(text_).substr(line.begin, line.end - line.begin);
}

std::optional<IniFile::SectionSpan> IniFile::FindSection(std::string_view section) const {
    std::optional<SectionSpan> span;
    for (auto line = LineAt(DataBegin()); line; line = LineAt(line->next)) {
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
            span = SectionSpan{line->next, line->next, data_end_};
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

std::vector<std::string> IniFile::SectionNames() const {
    std::vector<std::string> names;
    for (auto line = LineAt(DataBegin()); line; line = LineAt(line->next)) {
        if (const auto name = SectionName(LineText(*line))) {
            names.emplace_back(*name);
        }
    }
    return names;
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
    const std::size_t found = text_.find_first_of("\r\n");
    if (found >= data_end_) {
        return std::string(fallback);
    }
    if (text_[found] == '\n') {
        return "\n";
    }
    return found + 1 < data_end_ && text_[found + 1] == '\n' ? "\r\n" : "\r";
}

bool IniFile::EndsInLineBreak(std::size_t pos) const {
    return pos == DataBegin() || text_[pos - 1] == '\n' || text_[pos - 1] == '\r';
}

void IniFile::Insert(std::size_t pos, const std::string& text) {  // outside any section span
    text_.insert(pos, text);
    data_end_ += text.size();
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value,
                       std::string_view newline) {
    SetValues(section, {{std::string(key), std::string(value)}}, newline);
}

// The section is found once, whatever the number of keys, so that a large file costs one
// pass per save rather than one per key.
void IniFile::SetValues(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& values,
                        std::string_view newline) {
    const std::string eol = NewlineOfText(newline);
    auto span = FindSection(section);
    if (!span) {
        std::string added = EndsInLineBreak(data_end_) ? "" : eol;
        added += "[" + std::string(section) + "]" + eol;
        for (const auto& [key, value] : values) {
            added += key + "=" + value + eol;
        }
        Insert(data_end_, added);
        return;
    }
    for (const auto& [key, value] : values) {
        SetValueIn(*span, key, value, eol);
    }
}

void IniFile::SetValueIn(SectionSpan& span, std::string_view key, std::string_view value,
                         const std::string& eol) {
    if (const auto line = FindKey(span, key)) {
        // The value is replaced in place; the name keeps the spelling found in the file.
        const std::string_view text = LineText(*line);
        const std::string entry =
            std::string(Trim(text.substr(0, text.find('=')))) + "=" + std::string(value);
        Replace(line->begin, line->end - line->begin, entry, span);
        return;
    }
    // A last line without its line end gets one before the new key follows it.
    const std::string lead = EndsInLineBreak(span.insert_at) ? "" : eol;
    Replace(span.insert_at, 0, lead + std::string(key) + "=" + std::string(value) + eol, span);
}

// Replaces text inside the section and moves the section's bounds and the data end with it;
// text inserted at a bound goes before it.
void IniFile::Replace(std::size_t pos, std::size_t length, const std::string& text,
                      SectionSpan& span) {
    text_.replace(pos, length, text);
    const auto shift = [&](std::size_t& bound) {
        if (bound > pos || (length == 0 && bound == pos)) {
            bound = bound + text.size() - length;
        }
    };
    shift(span.insert_at);
    shift(span.end);
    data_end_ = data_end_ + text.size() - length;
}

}  // namespace quillon
