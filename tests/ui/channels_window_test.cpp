// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>

#include "fakes/recording_host.hpp"
#include "ui/qt/channels_window.hpp"
#include "ui/qt/trace_plot.hpp"

namespace quillon::testing {
namespace {

// Ten seconds of one channel that steps from -5 to 5 at 5 s; slot 0 is on while it is high.
SampleHistory StepHistory() {
    SampleHistory history;
    SampleBlock block(1, 1);
    for (int tick = 0; tick <= 1000; ++tick) {
        const double seconds = tick * 0.01;
        const bool high = seconds >= 5.0;
        block.Set(0, 0, high ? 5.0 : -5.0);
        history.Record(seconds, block, 0, high ? 1 : 0);
    }
    history.AddMark(5.0, SampleHistory::MarkKind::AlarmSound);
    return history;
}

int ColumnAt(const TracePlot& plot, double seconds) {
    return static_cast<int>((seconds - (plot.WindowEnd() - plot.WindowSpan())) / plot.WindowSpan() *
                            plot.width());
}

// The picture where the history says: the band red exactly while the slot was on, the trace
// in the upper half of its strip after the step and in the lower half before it.
TEST(TracePlotTest, DrawsTheTraceAndTheBandsWhereTheHistorySays) {
    const SampleHistory history = StepHistory();
    TracePlot plot(history);
    plot.resize(400, 300);
    plot.SetLooks({{"Step", 10.0, -10.0}});
    plot.SetShownChannels({0});
    plot.SetWindow(10.0, 10.0);
    const QImage image = plot.grab().toImage();
    const int band = plot.BandRect(0).center().y();
    const QColor trace = plot.palette().color(QPalette::Highlight);
    const int strip_middle = plot.BandRect(0).top() / 2;
    const auto trace_in = [&](int x, int from, int to) {
        for (int y = from; y < to; ++y) {
            if (image.pixelColor(x, y) == trace) {
                return true;
            }
        }
        return false;
    };
    for (const double seconds : {2.5, 4.5}) {  // clear of the band's name
        const int x = ColumnAt(plot, seconds);
        EXPECT_EQ(image.pixelColor(x, band), QColor(0, 0xC0, 0)) << seconds;
        EXPECT_TRUE(trace_in(x, strip_middle, plot.BandRect(0).top()));
        EXPECT_FALSE(trace_in(x, 0, strip_middle));
    }
    for (const double seconds : {5.5, 9.5}) {
        const int x = ColumnAt(plot, seconds);
        EXPECT_EQ(image.pixelColor(x, band), QColor(255, 0, 0)) << seconds;
        EXPECT_TRUE(trace_in(x, 0, strip_middle));
    }
    EXPECT_EQ(plot.ValuesAt(ColumnAt(plot, 7.0)).section('\n', 1), QStringLiteral("#0 = 5"));
}

// The window follows the newest ticks, and stops following when paused.
TEST(ChannelsWindowTest, FollowsTheNewestTicksUntilPaused) {
    SampleHistory history;
    SampleBlock block(2, 1);
    RecordingHost host;
    ChannelsWindow window(history, host);
    for (int tick = 0; tick < 100; ++tick) {
        history.Record(tick, block, 0, 0);
    }
    window.Refresh();
    EXPECT_DOUBLE_EQ(window.Plot().WindowEnd(), 99.0);
    window.findChild<QPushButton*>(QStringLiteral("pause"))->setChecked(true);
    history.Record(100, block, 0, 0);
    window.Refresh();
    EXPECT_DOUBLE_EQ(window.Plot().WindowEnd(), 99.0);
}

}  // namespace
}  // namespace quillon::testing
