// SPDX-License-Identifier: MIT
#include "utility/leading_number.hpp"

#include <gtest/gtest.h>

#include "case_name.hpp"

namespace quillon {
namespace {

struct NumberCase {
    const char* text;
    double value;
};

class LeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumberTest,
    ::testing::Values(NumberCase{"100", 100}, NumberCase{"  42  ", 42}, NumberCase{"1 2 3", 123},
                      NumberCase{"-5", -5}, NumberCase{"+7", 7}, NumberCase{"- 5", -5},
                      NumberCase{"12.9", 12.9}, NumberCase{".5", 0.5}, NumberCase{"5.", 5},
                      NumberCase{"1.2.3", 1.2}, NumberCase{"1e3", 1000}, NumberCase{"2E-2", 0.02},
                      NumberCase{"3e", 3}, NumberCase{"3e+", 3}, NumberCase{"12abc", 12},
                      NumberCase{"abc", 0}, NumberCase{"", 0}, NumberCase{"-", 0},
                      NumberCase{".", 0}, NumberCase{"1,5", 1}, NumberCase{"1e-400", 0}),
    [](const auto& info) { return testing::CaseName(info.param.text); });

struct RoundCase {
    double value;
    long long as16;
    long long as32;
};

class RoundToFieldTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToFieldTest, RoundsHalfToEvenAndSaturates) {
    EXPECT_EQ(RoundToField<std::int16_t>(GetParam().value), GetParam().as16);
    EXPECT_EQ(RoundToField<std::int32_t>(GetParam().value), GetParam().as32);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundToFieldTest,
                         ::testing::Values(RoundCase{0.5, 0, 0}, RoundCase{1.5, 2, 2},
                                           RoundCase{2.5, 2, 2}, RoundCase{-2.5, -2, -2},
                                           RoundCase{2.6, 3, 3}, RoundCase{40000, 32767, 40000},
                                           RoundCase{-40000, -32768, -40000},
                                           RoundCase{1e12, 32767, 2147483647},
                                           RoundCase{-1e300, -32768, -2147483647 - 1},
                                           RoundCase{HUGE_VAL, 32767, 2147483647}),
                         [](const auto& info) { return testing::CaseName(info.param.value); });

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

struct SyntaxCase {
    const char* text;
    bool radix_prefixes;
    const char* separator;
    double value;
};

class NumberSyntaxTest : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(NumberSyntaxTest, ReadsPrefixesAndTheSeparator) {
    const NumberSyntax syntax{GetParam().radix_prefixes, GetParam().separator};
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text, syntax), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberSyntaxTest,
    ::testing::Values(SyntaxCase{"&H1F", true, ".", 31}, SyntaxCase{"&h1f", true, ".", 31},
                      SyntaxCase{" & H 1 0 ", true, ".", 16},
                      SyntaxCase{"&HFFFF", true, ".", 65535}, SyntaxCase{"&H1G", true, ".", 1},
                      SyntaxCase{"&H", true, ".", 0}, SyntaxCase{"&HG", true, ".", 0},
                      SyntaxCase{"&H1.5", true, ".", 1}, SyntaxCase{"&O17", true, ".", 15},
                      SyntaxCase{"&o78", true, ".", 7}, SyntaxCase{"&X12", true, ".", 0},
                      SyntaxCase{"-&H10", true, ".", 0}, SyntaxCase{"&H10", false, ".", 0},
                      SyntaxCase{"12", true, ".", 12}, SyntaxCase{"2,5", false, ",", 2.5},
                      SyntaxCase{"2.5", false, ",", 2.5}, SyntaxCase{"2,5", false, ".", 2},
                      SyntaxCase{"1,2,3", false, ",", 1.2}, SyntaxCase{"1,5.3", false, ",", 1.5},
                      SyntaxCase{",5", false, ",", 0.5},
                      SyntaxCase{"2\xC2\xB7"
                                 "5",
                                 false, "\xC2\xB7", 2.5},
                      SyntaxCase{"1,5e1", false, ",", 15}, SyntaxCase{"7 s", true, ",", 7}),
    [](const auto& info) {
        return testing::CaseName(info.param.text, info.param.separator,
                                 info.param.radix_prefixes ? "Radix" : "NoRadix");
    });

struct FitCase {
    double value;
    std::optional<std::int16_t> as16;
    std::optional<std::int32_t> as32;
};

class RoundIfFitsTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(RoundIfFitsTest, RoundsHalfToEvenOrGivesNothing) {
    EXPECT_EQ(RoundIfFits<std::int16_t>(GetParam().value), GetParam().as16);
    EXPECT_EQ(RoundIfFits<std::int32_t>(GetParam().value), GetParam().as32);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundIfFitsTest,
                         ::testing::Values(FitCase{2.5, 2, 2}, FitCase{3.5, 4, 4},
                                           FitCase{-0.5, 0, 0}, FitCase{32767.4, 32767, 32767},
                                           FitCase{32767.5, std::nullopt, 32768},
                                           FitCase{-32768.5, -32768, -32768},
                                           FitCase{-32769, std::nullopt, -32769},
                                           FitCase{2147483647, std::nullopt, 2147483647},
                                           FitCase{2147483648.0, std::nullopt, std::nullopt},
                                           FitCase{HUGE_VAL, std::nullopt, std::nullopt},
                                           FitCase{NAN, std::nullopt, std::nullopt}),
                         [](const auto& info) { return testing::CaseName(info.param.value); });

}  // namespace
}  // namespace quillon
