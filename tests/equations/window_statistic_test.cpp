// SPDX-License-Identifier: MIT
#include "equations/window_statistic.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

WindowBlock Window(const std::vector<double>& values, int channels = 1) {
    WindowBlock block(channels, static_cast<int>(values.size()));
    int scan = 0;
    for (double v : values) {
        for (int c = 0; c < channels; ++c) {
            block.Set(c, scan, v);
        }
        ++scan;
    }
    return block;
}

struct StatisticCase {
    const char* name;
    std::vector<double> window;
    int statistic;
    int argument;
    double expected;
};

class WindowStatisticTest : public ::testing::TestWithParam<StatisticCase> {};

TEST_P(WindowStatisticTest, ComputesOverTheWindow) {
    const StatisticCase& c = GetParam();
    testing::RecordingHost host;
    host.channels = 2;
    host.upper_range = 10;
    host.lower_range = -10;
    host.digital_channel = 1;
    const WindowBlock window = Window(c.window, 2);
    const double value = WindowStatistic(c.statistic, c.argument, window,
                                         static_cast<std::int16_t>(window.Scans()), host);
    EXPECT_NEAR(value, c.expected, 1e-12) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Statistics, WindowStatisticTest,
    ::testing::Values(
        StatisticCase{"ave", {1, 2, 3, 4}, 2, 0, 2.5},
        StatisticCase{"rms", {1, 2, 3, 4}, 3, 0, std::sqrt(7.5)},
        StatisticCase{"acrms", {1, 2, 3, 4}, 4, 0, std::sqrt(1.25)},
        StatisticCase{"min", {1, 2, 3, 4}, 0, 0, 1}, StatisticCase{"max", {1, 2, 3, 4}, 1, 0, 4},
        StatisticCase{"min_above_range", {11, 12}, 0, 0, 10},
        StatisticCase{"max_below_range", {-11, -12}, 1, 0, -10},
        StatisticCase{"single_ave", {-3}, 2, 0, -3}, StatisticCase{"single_rms", {-3}, 3, 0, 3},
        StatisticCase{"single_acrms", {-3}, 4, 0, 0}, StatisticCase{"dig0_of_5", {0, 5}, 5, 0, 1},
        StatisticCase{"dig1_of_5", {0, 5}, 5, 1, 0}, StatisticCase{"dig2_of_5", {0, 5}, 5, 2, 1},
        StatisticCase{"digx_of_5", {0, 5}, 6, 7, 5}, StatisticCase{"dig_floors", {5.9}, 5, 0, 1},
        StatisticCase{"digx_floors_negative", {-0.5}, 6, 0, -1},
        StatisticCase{"dig_of_minus_one", {-0.5}, 5, 7, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowStatisticTest, DigitalReadingsWithoutADigitalChannelAreMinusOne) {
    testing::RecordingHost host;
    host.channels = 2;
    const WindowBlock window = Window({5}, 2);
    EXPECT_EQ(WindowStatistic(5, 0, window, 1, host), -1);
    EXPECT_EQ(WindowStatistic(6, 0, window, 1, host), -1);
}

TEST(WindowStatisticTest, TheLowerOfTwoDigitalChannelsIsUsed) {
    testing::RecordingHost host;
    host.channels = 3;
    host.digital_channel = 1;
    WindowBlock window(3, 1);
    window.Set(1, 0, 6);
    window.Set(2, 0, 9);
    EXPECT_EQ(WindowStatistic(6, 0, window, 1, host), 6);
}

TEST(WindowStatisticTest, BadBlocksAreErrorsNotReads) {
    testing::RecordingHost host;
    host.channels = 2;
    host.digital_channel = 0;
    const WindowBlock short_window = Window({1, 2}, 1);
    EXPECT_THROW(WindowStatistic(2, 0, short_window, 3, host), std::exception);
    EXPECT_THROW(WindowStatistic(2, 1, short_window, 2, host), std::exception);
    EXPECT_THROW(WindowStatistic(6, 0, Window({1e12}), 1, host), std::exception);
}

}  // namespace
}  // namespace quillon
