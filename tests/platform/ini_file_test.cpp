// SPDX-License-Identifier: MIT
#include "platform/ini_file.hpp"

#include <gtest/gtest.h>

namespace quillon {
namespace {

struct ReadCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, FindsTheValue) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile(c.text).Value(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, IniReadTest,
    ::testing::Values(ReadCase{"plain", "[Quillon]\nS0=Set\n", "Quillon", "S0", "Set"},
                      ReadCase{"trimmed", "[Quillon]\nS0 =   Force Set  \t\n", "Quillon", "S0",
                               "Force Set"},
                      ReadCase{"quotes", "[Q]\nk=\" a b \"\n", "Q", "k", " a b "},
                      ReadCase{"single_quotes", "[Q]\nk='x'\n", "Q", "k", "x"},
                      ReadCase{"unmatched_quote", "[Q]\nk=\"x\n", "Q", "k", "\"x"},
                      ReadCase{"key_case", "[Q]\nwindow top=5\n", "Q", "Window Top", "5"},
                      ReadCase{"section_case", "[quillon]\nk=1\n", "QUILLON", "k", "1"},
                      ReadCase{"empty_value", "[Q]\nk=\n", "Q", "k", ""},
                      ReadCase{"crlf", "[Q]\r\nk=v\r\n", "Q", "k", "v"},
                      ReadCase{"no_final_newline", "[Q]\nk=v", "Q", "k", "v"},
                      ReadCase{"value_with_equals", "[Q]\nk=#0==1\n", "Q", "k", "#0==1"},
                      ReadCase{"other_section", "[A]\nk=1\n[B]\nk=2\n", "B", "k", "2"},
                      ReadCase{"missing_key", "[A]\nk=1\n[B]\nj=2\n", "B", "k", std::nullopt},
                      ReadCase{"missing_section", "[A]\nk=1\n", "B", "k", std::nullopt},
                      ReadCase{"key_before_any_section", "k=1\n[A]\n", "A", "k", std::nullopt},
                      ReadCase{"first_occurrence", "[A]\nk=1\nk=2\n", "A", "k", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, ChangesOnlyTheKey) {
    const WriteCase& c = GetParam();
    IniFile ini(c.before);
    ini.SetValue(c.section, c.key, c.value, "\n");
    EXPECT_EQ(ini.Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, IniWriteTest,
    ::testing::Values(
        WriteCase{"new_file", "", "Q", "k", "v", "[Q]\nk=v\n"},
        WriteCase{"replace_in_place", "[Q]\na=1\nk=old\nb=2\n", "Q", "K", "new",
                  "[Q]\na=1\nK=new\nb=2\n"},
        WriteCase{"append_to_section", "[A]\na=1\n\n[B]\nb=2\n", "A", "k", "v",
                  "[A]\na=1\nk=v\n\n[B]\nb=2\n"},
        WriteCase{"new_section_at_end", "[A]\na=1\n", "B", "k", "v", "[A]\na=1\n[B]\nk=v\n"},
        WriteCase{"no_final_newline", "[A]\na=1", "A", "k", "v", "[A]\na=1\nk=v\n"},
        WriteCase{"crlf_kept", "[A]\r\na=1\r\n", "A", "k", "v", "[A]\r\na=1\r\nk=v\r\n"},
        WriteCase{"comments_kept", "; note\n[A]\n; keep\na=1\n", "A", "a", "2",
                  "; note\n[A]\n; keep\na=2\n"},
        WriteCase{"other_sections_untouched", "[Lab1]\nk=1\n[Lab2]\nk=2\n", "Lab2", "k", "3",
                  "[Lab1]\nk=1\n[Lab2]\nk=3\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFileTest, LongValuesAreKeptWhole) {
    const std::string equation(300, '1');
    IniFile ini("");
    ini.SetValue("Q", "MathExpression0", equation, "\n");
    EXPECT_EQ(ini.Value("Q", "MathExpression0"), equation);
}

}  // namespace
}  // namespace quillon
