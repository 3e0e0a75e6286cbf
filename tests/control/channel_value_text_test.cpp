// SPDX-License-Identifier: MIT
#include "control/channel_value_text.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "case_name.hpp"
#include "fakes/shortest_locale.hpp"

namespace quillon {
namespace {

struct ValueCase {
    double value;
    double larger_range;
    const char* text;
};

class ChannelValueTextTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ChannelValueTextTest, FormatsBySizeAndRange) {
    testing::ShortestLocale locale;  // general format: the shortest text
    EXPECT_EQ(ChannelValueText(GetParam().value, GetParam().larger_range, locale, "."),
              GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ChannelValueTextTest,
    ::testing::Values(ValueCase{3.14159265, 10.0, "3.1416"},   // e = 1: four decimals
                      ValueCase{1.23456789, -10.0, "1.2346"},  // the magnitude counts
                      ValueCase{12.5, 10.0, "12.5"},           // five characters stay
                      ValueCase{2.5, 10.0, "2.5"},
                      ValueCase{0.123456789, 0.5, "0.12345679"},      // e = -1: eight decimals
                      ValueCase{0.000123456, 0.001, "0.0001234560"},  // e = -3: ten decimals
                      ValueCase{1.23456789, 1.0, "1.23457"},          // e = 0: five decimals
                      ValueCase{123.456789, 5000.0, "123.46"},        // e = 3: two decimals
                      ValueCase{12345.678, 10000.0, "12346."},        // e = 4: the point alone
                      ValueCase{-3.14159265, 10.0, "-3.1416"},
                      ValueCase{3.14159265, 0.0, "3.14159265"},  // no range: general
                      ValueCase{3.14159265, INFINITY, "3.14159265"},
                      // From the 15-significant-digit form, a half away from zero: the binary
                      // 2.00005 lies just below the half.
                      ValueCase{2.00005, 10.0, "2.0001"}, ValueCase{-2.00005, 10.0, "-2.0001"},
                      ValueCase{0.000015, 10.0, "0.0000"},
                      ValueCase{99999.99995, 10.0, "100000.0000"}),
    [](const auto& info) {
        return testing::CaseName(info.param.value, "Range", info.param.larger_range);
    });

TEST(ChannelValueTextSeparatorTest, UsesTheLocaleSeparatorInBothFormats) {
    testing::ShortestLocale locale;
    locale.separator = ",";
    EXPECT_EQ(ChannelValueText(3.14159265, 10.0, locale, ","), "3,1416");
    EXPECT_EQ(ChannelValueText(12.5, 10.0, locale, ","), "12,5");
}

}  // namespace
}  // namespace quillon
