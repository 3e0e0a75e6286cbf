// SPDX-License-Identifier: MIT
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The name of a parameterized test case, spelled from the case's own values. gtest accepts
// only letters, digits and '_' in a name, and ctest selects tests by name, so a name must say
// the case in words and read the same in every build: symbols become words, blanks become
// '_', and the parts of a name are joined by '_'.
namespace quillon::testing {

namespace case_name_detail {

struct SymbolWordEntry {
    char symbol;
    std::string_view word;
};

inline constexpr SymbolWordEntry kSymbolWords[] = {
    {' ', "_"},          {'\n', "_"},      {'_', "_"},           {'\t', "Tab"},
    {'\r', "Cr"},        {'\0', "Nul"},    {'.', "Point"},       {',', "Comma"},
    {'+', "Plus"},       {'-', "Minus"},   {'*', "Times"},       {'/', "Slash"},
    {'\\', "Backslash"}, {'%', "Percent"}, {'^', "Caret"},       {'=', "Eq"},
    {'<', "Lt"},         {'>', "Gt"},      {'!', "Not"},         {'&', "Amp"},
    {'|', "Bar"},        {'(', "Open"},    {')', "Close"},       {'[', "LBracket"},
    {']', "RBracket"},   {'#', "Hash"},    {'@', "At"},          {':', "Colon"},
    {';', "Semicolon"},  {'"', "Quote"},   {'\'', "Apostrophe"},
};

inline std::string_view SymbolWord(char symbol) {
    for (const SymbolWordEntry& entry : kSymbolWords) {
        if (entry.symbol == symbol) {
            return entry.word;
        }
    }
    return {};
}

inline bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Bytes without a word (UTF-8 and the like) are named by their value.
inline std::string ByteWord(char c) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    return std::string("Byte") + kHex[byte / 16] + kHex[byte % 16];
}

inline std::string CharacterWord(char c) {
    if (IsLetterOrDigit(c)) {
        return std::string(1, c);
    }
    const std::string_view word = SymbolWord(c);
    return word.empty() ? ByteWord(c) : std::string(word);
}

// A long run of one symbol, such as deep nesting, is counted rather than repeated.
inline std::size_t RunLength(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && text[end] == text[start]) {
        ++end;
    }
    return end - start;
}

inline std::string Spelled(std::string_view text) {
    if (text.empty()) {
        return "Empty";
    }
    std::string name;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t run = IsLetterOrDigit(text[i]) ? 1 : RunLength(text, i);
        if (run >= 3) {
            name += CharacterWord(text[i]) + "x" + std::to_string(run);
            // The count ends before a digit that follows it.
            if (i + run < text.size() && text[i + run] >= '0' && text[i + run] <= '9') {
                name += '_';
            }
        } else {
            for (std::size_t k = 0; k < run; ++k) {
                name += CharacterWord(text[i]);
            }
        }
        i += run;
    }
    return name;
}

template <typename Number>
std::string NumberText(Number value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <typename Part>
std::string Spelled(const Part& part) {
    if constexpr (std::is_same_v<Part, char>) {
        return Spelled(std::string_view(&part, 1));
    } else if constexpr (std::is_same_v<Part, bool>) {
        return part ? "True" : "False";
    } else if constexpr (std::is_arithmetic_v<Part>) {
        return Spelled(NumberText(part));
    } else {
        return Spelled(std::string_view(part));
    }
}

template <typename Part>
std::string Spelled(const std::optional<Part>& part) {
    return part ? Spelled(*part) : std::string("None");
}

template <typename Part>
std::string Spelled(const std::vector<Part>& parts) {
    if (parts.empty()) {
        return "None";
    }
    std::string name;
    for (const Part& part : parts) {
        name += (name.empty() ? "" : "And") + Spelled(part);
    }
    return name;
}

}  // namespace case_name_detail

// Each part spelled (texts, numbers, characters, optionals, vectors of these) and joined.
template <typename... Parts>
std::string CaseName(const Parts&... parts) {
    std::string name;
    ((name += (name.empty() ? "" : "_") + case_name_detail::Spelled(parts)), ...);
    return name;
}

}  // namespace quillon::testing
