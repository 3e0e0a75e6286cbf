// SPDX-License-Identifier: MIT
#include "view/channels_plot.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/recording_host.hpp"
#include "panel/panel.hpp"

namespace quillon {
namespace {

std::vector<std::string> TextsIn(const std::vector<PlotText>& texts, const PlotRect& area) {
    std::vector<std::string> found;
    for (const PlotText& text : texts) {
        if (text.place.top >= area.top && text.place.Bottom() <= area.Bottom()) {
            found.push_back(text.text);
        }
    }
    return found;
}

struct StripCase {
    const char* name;
    int height;  // of the whole plot
    std::vector<std::string> texts;
};

class StripTextTest : public ::testing::TestWithParam<StripCase> {};

// A strip with room for two lines shows the upper range value at its top and the lower one at
// its bottom; a strip with room for one shows both on one line.
TEST_P(StripTextTest, NamesTheChannelAndItsRangeValues) {
    const StripCase& strip = GetParam();
    ChannelsPlot plot;
    plot.SetLooks({{"Flow", 5.0, 0.0}, {"Temp", 250.5, -40.0}});
    plot.SetShownChannels({1});
    plot.SetSize(300, strip.height, 10);
    SampleHistory history;
    plot.Prepare(history);
    EXPECT_EQ(TextsIn(plot.Texts(), plot.Layout().Strip(0)), strip.texts);
}

INSTANTIATE_TEST_SUITE_P(Heights, StripTextTest,
                         ::testing::Values(StripCase{"Tall", 400, {"#1 Temp", "250.5", "-40"}},
                                           StripCase{"Short", 148, {"#1 Temp", "-40 to 250.5"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChannelsPlotTest, NamesEverySlotOnItsBand) {
    ChannelsPlot plot;
    plot.SetSize(300, 400, 10);
    const std::vector<PlotText> texts = plot.Texts();
    std::vector<std::string> names;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::vector<std::string> on_band = TextsIn(texts, plot.Layout().Band(slot));
        ASSERT_EQ(on_band.size(), 1U) << slot;
        names.push_back(on_band.front());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"DOUT 0", "DOUT 1", "DOUT 2", "DOUT 3", "DOUT 4",
                                               "DOUT 5", "DOUT 6", "DOUT 7", "sound", "e-mail"}));
}

// The band of slot 0 on exactly in the columns of ticks where it was active, the trace
// where the value puts it, the marks in their columns, the values under the pointer.
TEST(ChannelsPlotTest, DrawsTheBandsAndMarksInTheColumnsOfTheirTicks) {
    SampleHistory history;
    SampleBlock block(1, 1);
    for (int tick = 0; tick <= 1000; ++tick) {
        const double seconds = tick * 0.01;
        const bool high = tick >= 500;
        block.Set(0, 0, high ? 5.0 : -5.0);
        history.Record(seconds, block, 0, high ? 1 : 0);
    }
    history.AddMark(5.0, SampleHistory::MarkKind::Email);
    ChannelsPlot plot;
    plot.SetLooks({{"Step", 10.0, -10.0}});
    plot.SetShownChannels({0});
    plot.SetSize(400, 300, 10);
    plot.SetWindow(10.0, 10.0);
    plot.Prepare(history);
    const PlotColours colours;
    const int step = plot.ColumnAt(5.0);
    const int band = plot.Layout().Band(0).top + 1;
    const auto screen = [&](int x, int y) {
        const int width = plot.Canvas().Width();
        return plot.Canvas().At((plot.RingStart() + x) % width, y);
    };
    for (int x = 0; x < 400; ++x) {
        ASSERT_EQ(screen(x, band), x >= step ? colours.active : colours.inactive) << x;
    }
    const PlotRect strip = plot.Layout().TraceArea(0);
    const auto trace_in_upper_half = [&](int x) {
        for (int y = strip.top; y < strip.top + strip.height / 2; ++y) {
            if (screen(x, y) == colours.trace) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(trace_in_upper_half(step + 10));
    EXPECT_FALSE(trace_in_upper_half(step - 10));
    const std::vector<PlotMark> marks = plot.Marks(history);
    ASSERT_EQ(marks.size(), 1U);
    EXPECT_EQ(marks.front().place.left + marks.front().place.width / 2, step);
    EXPECT_EQ(plot.ValuesAt(history, step + 40), "t = 6.020 s\n#0 = 5");
}

TEST(ChannelsPlotTest, AHostThatCannotSayKeepsTheDefaultLook) {
    testing::RecordingHost host;
    host.fail_texts = true;
    const ChannelLook look = ReadChannelLook(host, 3);
    EXPECT_EQ(look.text, "Channel 3");
    EXPECT_EQ(look.upper, 10.0);
}

}  // namespace
}  // namespace quillon
