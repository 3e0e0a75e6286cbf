// SPDX-License-Identifier: MIT
#include "view/time_axis.hpp"

#include <gtest/gtest.h>

#include "view/time_window.hpp"

namespace quillon {
namespace {

struct AxisCase {
    double start;
    double span;
    int width;
    int spacing;
    std::vector<std::string> labels;
    int first_x;
};

class TimeAxisTest : public ::testing::TestWithParam<AxisCase> {};

TEST_P(TimeAxisTest, TicksAtRoundTimesFarEnoughApart) {
    const AxisCase& axis = GetParam();
    const std::vector<AxisTick> ticks =
        TimeAxisTicks(axis.start, axis.span, axis.width, axis.spacing);
    std::vector<std::string> labels;
    for (const AxisTick& tick : ticks) {
        labels.push_back(tick.label);
    }
    EXPECT_EQ(labels, axis.labels);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().x, axis.first_x);
    for (std::size_t n = 1; n < ticks.size(); ++n) {
        EXPECT_GE(ticks[n].x - ticks[n - 1].x, axis.spacing);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spans, TimeAxisTest,
    ::testing::Values(
        // A minute in 1,000 pixels, labels 90 apart: every 10 s.
        AxisCase{3.0, 60.0, 1000, 90, {"10 s", "20 s", "30 s", "40 s", "50 s", "60 s"}, 117},
        // A second in 400 pixels, 80 apart: every 0.2 s, with one decimal.
        AxisCase{100.05, 1.0, 400, 80, {"100.2 s", "100.4 s", "100.6 s", "100.8 s", "101.0 s"}, 60},
        // Ten minutes in 300 pixels, 100 apart: every 200 s.
        AxisCase{0.0, 600.0, 300, 100, {"0 s", "200 s", "400 s", "600 s"}, 0}));

TEST(TimeAxisTest, NothingForAnEmptySpanOrWidth) {
    EXPECT_TRUE(TimeAxisTicks(0.0, 0.0, 100, 10).empty());
    EXPECT_TRUE(TimeAxisTicks(0.0, 10.0, 0, 10).empty());
}

struct WindowCase {
    const char* name;
    double oldest;
    double newest;
    double span;
    int steps;
    double following_end;
    double scrolled_to_zero;
};

class TimeWindowTest : public ::testing::TestWithParam<WindowCase> {};

// Following ends at the newest tick (a young history at the span); scrolling back starts at
// the oldest tick held and never passes the newest.
TEST_P(TimeWindowTest, FollowsAndScrollsBackThroughWhatIsHeld) {
    const WindowCase& window = GetParam();
    SampleHistory history;
    const SampleBlock block(1, 1);
    history.Record(window.oldest, block, 0, 0);
    history.Record(window.newest, block, 0, 0);
    const TimeWindow time(history, window.span);
    EXPECT_EQ(time.ScrollSteps(), window.steps);
    EXPECT_DOUBLE_EQ(time.FollowingEnd(), window.following_end);
    EXPECT_DOUBLE_EQ(time.ScrolledEnd(0), window.scrolled_to_zero);
    EXPECT_DOUBLE_EQ(time.ScrolledEnd(time.ScrollSteps()), window.following_end);
}

INSTANTIATE_TEST_SUITE_P(
    Histories, TimeWindowTest,
    ::testing::Values(WindowCase{"Young", 0.0, 20.0, 60.0, 0, 60.0, 60.0},
                      WindowCase{"LongerThanTheSpan", 30.0, 130.0, 60.0, 400, 130.0, 90.0},
                      WindowCase{"PartOfAStep", 0.0, 60.05, 60.0, 1, 60.05, 60.0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
