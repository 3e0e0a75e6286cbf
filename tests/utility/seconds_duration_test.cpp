// SPDX-License-Identifier: MIT
#include "utility/seconds_duration.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "case_name.hpp"

namespace quillon {
namespace {

using Ticks = std::chrono::steady_clock::duration;

struct SecondsCase {
    const char* name;
    double seconds;
    Ticks expected;
};

class SecondsToDurationTest : public ::testing::TestWithParam<SecondsCase> {};

TEST_P(SecondsToDurationTest, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(SecondsToDuration(GetParam().seconds), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SecondsToDurationTest,
    ::testing::Values(
        SecondsCase{"Quarter", 0.25, std::chrono::milliseconds(250)},
        SecondsCase{"Zero", 0.0, Ticks::zero()},
        SecondsCase{"Negative", -1.5, std::chrono::milliseconds(-1500)},
        // 1 / 1e-12 polls per second: a poll period of 1e12 s still fits; 1e300 does not.
        SecondsCase{"Huge", 1e300, Ticks::max()}, SecondsCase{"HugeNegative", -1e300, Ticks::min()},
        SecondsCase{"Infinite", std::numeric_limits<double>::infinity(), Ticks::max()},
        SecondsCase{"NotANumber", std::numeric_limits<double>::quiet_NaN(), Ticks::zero()}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
