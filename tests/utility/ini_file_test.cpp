// SPDX-License-Identifier: MIT
#include "utility/ini_file.hpp"

#include <gtest/gtest.h>

namespace quillon {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
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
    ::testing::Values(
        ReadCase{"plain", "[Quillon]\nS0=Set\n", "Quillon", "S0", "Set"},
        ReadCase{"trimmed", "[Quillon]\nS0 =   Force Set  \t\n", "Quillon", "S0", "Force Set"},
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
        ReadCase{"first_occurrence", "[A]\nk=1\nk=2\n", "A", "k", "1"},
        // As the platform's profile functions read hand-edited files.
        ReadCase{"byte_order_mark", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "1"},
        ReadCase{"cr_line_ends", "[A]\rk=1\r[B]\rk=2\r", "B", "k", "2"},
        ReadCase{"bracket_without_close", "[A]\n[note\nk=1\n", "A", "k", "1"},
        ReadCase{"name_to_the_last_bracket", "[Lab]1]\nk=1\n", "Lab]1", "k", "1"},
        ReadCase{"nul_ends_the_data", std::string("[A]\nk=1\n\0[B]\nk=2\n", 16), "A", "k", "1"}),
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
                  "[Q]\na=1\nk=new\nb=2\n"},
        WriteCase{"name_spelling_kept", "[Q]\nmathexpression1 = 1\n", "Q", "MathExpression1", "2",
                  "[Q]\nmathexpression1=2\n"},
        WriteCase{"byte_order_mark_kept", "\xEF\xBB\xBF[Q]\nk=1\n", "Q", "k", "2",
                  "\xEF\xBB\xBF[Q]\nk=2\n"},
        WriteCase{"cr_line_ends_kept", "[Q]\rk=1\r", "Q", "j", "2", "[Q]\rk=1\rj=2\r"},
        WriteCase{"bracket_line_is_no_section", "[Q]\n[note\nk=1\n", "Q", "k", "2",
                  "[Q]\n[note\nk=2\n"},
        WriteCase{"name_with_bracket", "", "Lab]1", "k", "1", "[Lab]1]\nk=1\n"},
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

// Data after a NUL is invisible to the platform: a new section goes before it, and the rest
// is kept as it was.
TEST(IniFileTest, ANewSectionGoesBeforeTheNul) {
    const std::string tail("\0junk", 5);
    IniFile ini("[A]\nk=1\n" + tail);
    ini.SetValue("B", "k", "2", "\n");
    EXPECT_EQ(ini.Text(), "[A]\nk=1\n[B]\nk=2\n" + tail);
    EXPECT_EQ(ini.Value("B", "k"), "2");
}

// A whole section saved at once: keys replaced in place, new ones after the section's last
// line, neighbours untouched, whichever section it is.
TEST(IniFileTest, SeveralKeysOfOneSectionAtOnce) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"k1", "v1"}, {"x", "9"}, {"k2", "v2"}};
    IniFile first("[A]\nx=1\n[B]\nx=2");
    first.SetValues("A", values, "\n");
    EXPECT_EQ(first.Text(), "[A]\nx=9\nk1=v1\nk2=v2\n[B]\nx=2");
    IniFile last("[A]\nx=1\n[B]\nx=2");
    last.SetValues("B", values, "\n");
    EXPECT_EQ(last.Text(), "[A]\nx=1\n[B]\nx=9\nk1=v1\nk2=v2\n");
    IniFile added("[A]\nx=1\n");
    added.SetValues("C", values, "\n");
    EXPECT_EQ(added.Text(), "[A]\nx=1\n[C]\nk1=v1\nx=9\nk2=v2\n");
}

TEST(IniFileTest, OnlyNamesThatReadBackAreWritable) {
    for (const std::string name : {"Quillon", "Lab]1", "[x", "Line_3"}) {
        EXPECT_TRUE(IniFile::IsWritableSectionName(name)) << name;
    }
    for (const std::string& name :
         {std::string("X]\n[Lab9"), std::string("a\rb"), std::string("a\0b", 3),
          std::string("Lab\t"), std::string(" Lab")}) {
        EXPECT_FALSE(IniFile::IsWritableSectionName(name)) << name;
    }
}

TEST(IniFileTest, LongValuesAreKeptWhole) {
    const std::string equation(300, '1');
    IniFile ini("");
    ini.SetValue("Q", "MathExpression0", equation, "\n");
    EXPECT_EQ(ini.Value("Q", "MathExpression0"), equation);
}

}  // namespace
}  // namespace quillon
