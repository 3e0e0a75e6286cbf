// SPDX-License-Identifier: MIT
// The live view's costs: what the tick pays to keep its history, and one repaint of a full
// minute of many channels.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "control/sample_history.hpp"
#include "ui/qt/trace_plot.hpp"

namespace {

void BM_RecordTick(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    quillon::SampleHistory history;
    quillon::SampleBlock block(channels, 4);
    double seconds = 0.0;
    for (auto _ : state) {
        history.Record(seconds, block, 3, 0b101);
        seconds += 0.01;
    }
}
BENCHMARK(BM_RecordTick)->Arg(8)->Arg(64)->Arg(256);

// 64 channels, 60 s at 1,000 scans a second, drawn 1,000 pixels wide into an image.
constexpr int kChannels = 64;
constexpr int kTicks = 60'000;

void RecordTicks(quillon::SampleHistory& history, quillon::SampleBlock& block, int from,
                 int count) {
    for (int tick = from; tick < from + count; ++tick) {
        for (int channel = 0; channel < kChannels; ++channel) {
            block.Set(channel, 0, std::sin(tick * 0.001 * (channel + 1)));
        }
        history.Record(tick * 0.001, block, 0, static_cast<std::uint16_t>(tick / 1000 % 2));
    }
}

std::vector<int> AllChannels() {
    std::vector<int> shown(kChannels);
    for (int channel = 0; channel < kChannels; ++channel) {
        shown[static_cast<std::size_t>(channel)] = channel;
    }
    return shown;
}

// The same minute drawn again (an expose): nothing new to reduce.
void BM_RepaintMinute(benchmark::State& state) {
    quillon::SampleHistory history;
    quillon::SampleBlock block(kChannels, 1);
    RecordTicks(history, block, 0, kTicks);
    quillon::TracePlot plot(history);
    plot.resize(1000, 800);
    plot.SetShownChannels(AllChannels());
    plot.SetWindow(60.0, 60.0);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        plot.render(&image);
    }
}
BENCHMARK(BM_RepaintMinute)->Unit(benchmark::kMillisecond);

// The live view as it runs: each picture follows 33 new ticks (30 pictures a second at 1,000
// ticks a second), with the time axis, the range values and the slot names.
void BM_RepaintMinuteFollowing(benchmark::State& state) {
    quillon::SampleHistory history;
    quillon::SampleBlock block(kChannels, 1);
    RecordTicks(history, block, 0, kTicks);
    quillon::TracePlot plot(history);
    plot.resize(1000, 800);
    plot.SetShownChannels(AllChannels());
    plot.SetWindow(60.0, 60.0);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    plot.render(&image);
    int next = kTicks;
    for (auto _ : state) {
        state.PauseTiming();
        RecordTicks(history, block, next, 33);
        next += 33;
        state.ResumeTiming();
        plot.SetWindow(history.SecondsAt(history.Size() - 1), 60.0);
        plot.render(&image);
    }
}
BENCHMARK(BM_RepaintMinuteFollowing)->Unit(benchmark::kMillisecond);

// The first picture, or one after a change of span, size or channels: every column read.
void BM_RepaintMinuteFromScratch(benchmark::State& state) {
    quillon::SampleHistory history;
    quillon::SampleBlock block(kChannels, 1);
    RecordTicks(history, block, 0, kTicks);
    QImage image(1000, 800, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        quillon::TracePlot plot(history);
        plot.resize(1000, 800);
        plot.SetShownChannels(AllChannels());
        plot.SetWindow(60.0, 60.0);
        plot.render(&image);
    }
}
BENCHMARK(BM_RepaintMinuteFromScratch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
