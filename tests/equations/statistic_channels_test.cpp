// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

#include "equations/statistic_channels.hpp"

namespace quillon {
namespace {

struct ChannelsCase {
    const char* name;
    std::vector<std::string_view> equations;
    std::optional<std::vector<std::int16_t>> channels;  // nothing: every channel
};

class StatisticChannelsTest : public ::testing::TestWithParam<ChannelsCase> {};

TEST_P(StatisticChannelsTest, NamesEveryChannelATokenCanStandFor) {
    EXPECT_EQ(StatisticChannels(GetParam().equations), GetParam().channels);
}

const ChannelsCase kCases[] = {
    {"NoStatistics", {"#0>1", "#C3<#@", ""}, std::vector<std::int16_t>{}},
    {"OneOfEach", {"#min1>#max2", "#ave3+#rms4>#acrms5"}, std::vector<std::int16_t>{1, 2, 3, 4, 5}},
    {"EverySlotCounts", {"#ave7>0", "", "#rms7>#ave2"}, std::vector<std::int16_t>{2, 7}},
    {"DigitsNameEachPrefix", {"#ave123>1"}, std::vector<std::int16_t>{1, 12, 123}},
    {"ChannelZeroHasNoLongerNumber", {"#rms05"}, std::vector<std::int16_t>{0}},
    {"DigitalTokensNeedNoWindow", {"#dig3|#digx0"}, std::vector<std::int16_t>{}},
    {"NameWithoutNumber", {"#ave>1"}, std::vector<std::int16_t>{}},
    {"AcRmsIsNotRms", {"#acrms9"}, std::vector<std::int16_t>{9}},
    {"TokenBuiltFromANumber", {"#0>1", "#ave#1>2"}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Equations, StatisticChannelsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class HistoryChannelsTest : public ::testing::TestWithParam<ChannelsCase> {};

TEST_P(HistoryChannelsTest, NamesEveryChannelAHistoryTokenCanStandFor) {
    EXPECT_EQ(HistoryChannels(GetParam().equations), GetParam().channels);
}

const ChannelsCase kHistoryCases[] = {
    {"NoHistory", {"#0>1", "#ave3<#@", "#dig2", ""}, std::vector<std::int16_t>{}},
    {"OneLetterEach", {"#A1>#Z2", "#C3-#A3>0.5"}, std::vector<std::int16_t>{1, 2, 3}},
    {"DigitsNameEachPrefix", {"#B123>1"}, std::vector<std::int16_t>{1, 12, 123}},
    {"ChannelZeroHasNoLongerNumber", {"#C05"}, std::vector<std::int16_t>{0}},
    {"LowerCaseIsNoHistory", {"#acrms4>#max5"}, std::vector<std::int16_t>{}},
    {"LetterWithoutNumber", {"#A>1", "#B"}, std::vector<std::int16_t>{}},
    {"TokenBuiltFromANumber", {"#A1>1", "#B#1>2"}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Equations, HistoryChannelsTest, ::testing::ValuesIn(kHistoryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HistorySelectionTest, SelectsAgainOnlyWhenAnEquationChanged) {
    SampleBlock samples;
    HistorySelection selection;
    std::vector<std::string_view> equations{"#B2>1", "#0<3"};
    selection.SelectFor(equations, samples);
    EXPECT_FALSE(samples.HistoryOfAll());
    EXPECT_EQ(samples.HistoryChannels(), (std::vector<std::int16_t>{2}));
    equations[1] = "#A3<3";
    selection.SelectFor(equations, samples);
    EXPECT_EQ(samples.HistoryChannels(), (std::vector<std::int16_t>{2, 3}));
    equations[0] = "#A#1";
    selection.SelectFor(equations, samples);
    EXPECT_TRUE(samples.HistoryOfAll());
}

TEST(WindowSelectionTest, SelectsAgainOnlyWhenAnEquationChanged) {
    WindowBlock window;
    WindowSelection selection;
    std::vector<std::string_view> equations{"#ave2>1", "#max0<3"};
    selection.SelectFor(equations, window);
    window.Resize(4, 3);
    EXPECT_EQ(window.HeldChannels(), (std::vector<std::int16_t>{0, 2}));
    equations[1] = "#min3<3";
    selection.SelectFor(equations, window);
    window.Resize(4, 3);
    EXPECT_EQ(window.HeldChannels(), (std::vector<std::int16_t>{2, 3}));
    equations[0] = "##ave2";
    selection.SelectFor(equations, window);
    window.Resize(4, 3);
    EXPECT_EQ(window.HeldChannels(), (std::vector<std::int16_t>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace quillon
