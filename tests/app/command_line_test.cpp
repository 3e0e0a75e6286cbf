// SPDX-License-Identifier: MIT
#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include "app/window_bounds.hpp"
#include "case_name.hpp"

namespace quillon {
namespace {

struct CommandLineCase {
    const char* text;
    std::optional<std::string> host_text;
    std::optional<std::string> caption;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, OnlyTheFirstTwoWordsCount) {
    const CommandLine options = ParseCommandLine(GetParam().text);
    EXPECT_EQ(options.host_text, GetParam().host_text) << GetParam().text;
    EXPECT_EQ(options.caption, GetParam().caption) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CommandLineTest,
    ::testing::Values(CommandLineCase{"", std::nullopt, std::nullopt},
                      CommandLineCase{"-dABC", "ABC", std::nullopt},
                      CommandLineCase{"-D", "", std::nullopt},
                      CommandLineCase{"-dABC -nLab1", "ABC", "Lab1"},
                      CommandLineCase{"-DABC -NLab1", "ABC", "Lab1"},
                      CommandLineCase{"-nLab1", std::nullopt, std::nullopt},
                      CommandLineCase{"-nLab1 -dABC", std::nullopt, std::nullopt},
                      CommandLineCase{"-dABC -nMy Lab", "ABC", "My"},
                      CommandLineCase{"x -nLab1", std::nullopt, "Lab1"},
                      CommandLineCase{"-dABC  -nLab1", "ABC", std::nullopt},
                      CommandLineCase{" -nLab1", std::nullopt, "Lab1"},
                      CommandLineCase{" -dABC", std::nullopt, std::nullopt},
                      CommandLineCase{"-dA -n", "A", ""}, CommandLineCase{"-dA -nB -nC", "A", "B"},
                      CommandLineCase{"-x -n", std::nullopt, ""},
                      CommandLineCase{"d -n", std::nullopt, ""},
                      CommandLineCase{"-dsim:/tmp/a b", "sim:/tmp/a", std::nullopt}),
    [](const auto& info) { return testing::CaseName(info.param.text); });

TEST(JoinArgumentsTest, JoinsWithSingleBlanks) {
    EXPECT_EQ(JoinArguments({}), "");
    EXPECT_EQ(JoinArguments({"-dABC", "-nLab1"}), "-dABC -nLab1");
    EXPECT_EQ(JoinArguments({"-dABC", "", "-nLab1"}), "-dABC  -nLab1");
}

struct BoundsCase {
    WindowSize in;
    WindowSize out;
};

class WindowBoundsTest : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(WindowBoundsTest, BringsTheSizeBackIntoBounds) {
    EXPECT_EQ(BoundWindowSize(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WindowBoundsTest,
    ::testing::Values(BoundsCase{{300, 3450}, {480, 3450}}, BoundsCase{{10000, 3450}, {9240, 3450}},
                      BoundsCase{{5775, 6000}, {5775, 5505}}, BoundsCase{{5775, 10}, {5775, 10}},
                      BoundsCase{{480, 5505}, {480, 5505}}, BoundsCase{{9240, 0}, {9240, 0}}),
    [](const auto& info) { return testing::CaseName(info.param.in.width, info.param.in.height); });

}  // namespace
}  // namespace quillon
