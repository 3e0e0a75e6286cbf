// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

// The text of a private-profile file: "[section]" lines and "key=value" lines, read as the
// platform's profile functions read them. Section and key names match without regard to case.
// Lines may end in LF, CR LF or CR; a UTF-8 byte-order mark is read past and kept; the data
// ends at the first NUL, and what follows it is kept as it is.
class IniFile {
public:
    explicit IniFile(std::string text);

    // Whether a section of this name reads back as written: no line break or NUL, and no
    // blank at either end (section names are read trimmed).
    static bool IsWritableSectionName(std::string_view name);

    const std::string& Text() const { return text_; }

    // The value of the key's first occurrence in the section's first occurrence, trimmed and
    // without one pair of enclosing quotes; nothing when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const { return FindSection(section).has_value(); }
    // The sections' names in the order of the file.
    std::vector<std::string> SectionNames() const;

    // Replaces the key's value in place (the name keeps its spelling), or adds it after the
    // section's last non-blank line, creating the section at the end of the text. Every other line
    // stays as it was. New lines end like the text's first line, or in `newline` when the text has
    // none.
    void SetValue(std::string_view section, std::string_view key, std::string_view value,
                  std::string_view newline);
    // The same for several keys of one section, in order.
    void SetValues(std::string_view section,
                   const std::vector<std::pair<std::string, std::string>>& values,
                   std::string_view newline);

private:
    struct Line {
        std::size_t begin;  // first character
        std::size_t end;    // one past the last character before the line end
        std::size_t next;   // start of the following line
    };
    struct SectionSpan {
        std::size_t body;       // start of the line after the section line
        std::size_t insert_at;  // where a new key goes: after the last non-blank line
        std::size_t end;        // start of the next section line, or the text's end
    };

    void FindDataEnd();
    std::size_t DataBegin() const;
    bool EndsInLineBreak(std::size_t pos) const;
    void Insert(std::size_t pos, const std::string& text);
    void SetValueIn(SectionSpan& span, std::string_view key, std::string_view value,
                    const std::string& eol);
    void Replace(std::size_t pos, std::size_t length, const std::string& text, SectionSpan& span);
    std::optional<Line> LineAt(std::size_t pos) const;
    std::optional<SectionSpan> FindSection(std::string_view section) const;
    std::optional<Line> FindKey(const SectionSpan& span, std::string_view key) const;
    std::string_view LineText(const Line& line) const;
    std::string NewlineOfText(std::string_view fallback) const;

    std::string text_;
    std::size_t data_end_ = 0;
};

}  // namespace quillon
