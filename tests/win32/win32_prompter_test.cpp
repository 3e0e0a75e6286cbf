// SPDX-License-Identifier: MIT
// The window's boxes as the core sees them: what an answer gives back, and the default title.
#include "ui/win32/windows_api.hpp"

#include <gtest/gtest.h>

#include "ui/win32/win32_prompter.hpp"
#include "window_test_fixture.hpp"

namespace quillon::testing {
namespace {

struct AnswerCase {
    const char* name;
    std::optional<std::wstring> typed;  // no value: Cancel
    std::optional<std::string> given;
};

class InputBoxTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(InputBoxTest, GivesWhatWasTypedOrNothingOnCancel) {
    Win32Prompter prompter;
    BoxAnswerer boxes({GetParam().typed});
    EXPECT_EQ(prompter.InputBox("Please specify", "Alarm Configuration", "1"), GetParam().given);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].fallback, L"1");
}

INSTANTIATE_TEST_SUITE_P(Answers, InputBoxTest,
                         ::testing::Values(AnswerCase{"Number", L"7 s", "7 s"},
                                           AnswerCase{"EmptyOk", L"", ""},
                                           AnswerCase{"Blanks", L"   ", "   "},
                                           AnswerCase{"Cancel", std::nullopt, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBoxTest, AnEmptyTitleIsTheProgramsName) {
    Win32Prompter prompter;
    BoxAnswerer boxes;
    prompter.MessageBox(MessageIcon::Critical, "Error in equation for D3", "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, L"Quillon");
    EXPECT_EQ(boxes.shown[0].text, L"Error in equation for D3");
}

}  // namespace
}  // namespace quillon::testing
