// SPDX-License-Identifier: MIT
#include "equations/number_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "case_name.hpp"
#include "equations/evaluator.hpp"

namespace quillon {
namespace {

struct FormatCase {
    double value;
    int decimals;
    std::string text;
};

class NumberFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(NumberFormatTest, Formats) {
    EXPECT_EQ(FormatSubstitutedNumber(GetParam().value, GetParam().decimals), GetParam().text)
        << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, NumberFormatTest,
    ::testing::Values(FormatCase{3.25, 17, "3.25"}, FormatCase{5, 17, "5."},
                      FormatCase{0.25, 17, ".25"}, FormatCase{-0.5, 17, "-.5"},
                      FormatCase{1234.5, 17, "1234.5"}, FormatCase{0, 17, "."},
                      FormatCase{-0.0, 17, "."}, FormatCase{0.1, 17, ".1"},
                      FormatCase{1e-20, 17, "."}, FormatCase{1.5e-5, 17, ".000015"},
                      FormatCase{1e20, 17, "100000000000000000000."},
                      FormatCase{1e23, 17, "100000000000000000000000."},
                      FormatCase{123456789.123456789, 17, "123456789.12345679"},
                      FormatCase{-2.0 / 3, 15, "-.666666666666667"}),
    [](const auto& info) {
        return testing::CaseName(info.param.value, info.param.decimals, "Decimals");
    });

INSTANTIATE_TEST_SUITE_P(
    Rounding, NumberFormatTest,
    ::testing::Values(FormatCase{0.125, 2, ".13"}, FormatCase{9.999, 2, "10."},
                      FormatCase{-0.004, 2, "."}, FormatCase{-0.005, 2, "-.01"},
                      FormatCase{2.675, 2, "2.67"}, FormatCase{0.9999999999999999, 15, "1."},
                      FormatCase{99.95, 1, "100."}, FormatCase{0.5, 0, "1."},
                      FormatCase{0.4, 0, "."}, FormatCase{-9.5, 0, "-10."},
                      FormatCase{123.456, -1, "123."},
                      // The binary value is rounded, not its shortest
                      // digits: those end in ...495 and would round up.
                      FormatCase{-0.00083260508689973495, 17, "-.00083260508689973"},
                      // An exact half still rounds away from zero.
                      FormatCase{0x1p-18, 17, ".00000381469726563"}),
    [](const auto& info) {
        return testing::CaseName(info.param.value, info.param.decimals, "Decimals");
    });

INSTANTIATE_TEST_SUITE_P(
    NotFinite, NumberFormatTest,
    ::testing::Values(FormatCase{std::numeric_limits<double>::quiet_NaN(), 17, "nan"},
                      FormatCase{std::numeric_limits<double>::infinity(), 17, "inf"},
                      FormatCase{-std::numeric_limits<double>::infinity(), 17, "-inf"}),
    [](const auto& info) {
        return testing::CaseName(info.param.value, info.param.decimals, "Decimals");
    });

TEST(NumberFormatExtremesTest, FitInTheCapacity) {
    const std::string largest = FormatSubstitutedNumber(-std::numeric_limits<double>::max(), 17);
    EXPECT_EQ(largest, "-17976931348623157" + std::string(292, '0') + ".");
    const std::string smallest = FormatSubstitutedNumber(5e-324, 1000);
    EXPECT_EQ(smallest, "." + std::string(323, '0') + "5");
    EXPECT_LE(largest.size(), kFormattedNumberCapacity);
}

// 17 decimals keep every shortest digit from 0.1 up; below, the text is within 1e-17.
TEST(NumberFormatRoundTripTest, SubstitutedSampleEvaluatesBack) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> exponent(-6.0, 12.0);
    std::bernoulli_distribution negative(0.5);
    const Evaluator evaluator;
    for (int i = 0; i < 4000; ++i) {
        const double magnitude = std::pow(10.0, exponent(random));
        const double x = negative(random) ? -magnitude : magnitude;
        const std::string text = FormatSubstitutedNumber(x, 17);
        if (magnitude >= 0.1) {
            ASSERT_EQ(evaluator.Evaluate(text), x) << text;
        } else {
            ASSERT_NEAR(evaluator.Evaluate(text), x, 1e-17) << text;
        }
    }
}

}  // namespace
}  // namespace quillon
