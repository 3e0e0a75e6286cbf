// SPDX-License-Identifier: MIT
#include "platform/leading_number.hpp"

#include <gtest/gtest.h>

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
                      NumberCase{".", 0}, NumberCase{"1,5", 1}, NumberCase{"1e-400", 0}));

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
                                           RoundCase{HUGE_VAL, 32767, 2147483647}));

}  // namespace
}  // namespace quillon
