// SPDX-License-Identifier: MIT
// The live view's costs: what the tick pays to keep its history, and one repaint of a full
// minute of many channels.
#include <benchmark/benchmark.h>

#include <cmath>

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
void BM_RepaintMinute(benchmark::State& state) {
    constexpr int kChannels = 64;
    quillon::SampleHistory history;
    quillon::SampleBlock block(kChannels, 1);
    for (int tick = 0; tick < 60'000; ++tick) {
        for (int channel = 0; channel < kChannels; ++channel) {
            block.Set(channel, 0, std::sin(tick * 0.001 * (channel + 1)));
        }
        history.Record(tick * 0.001, block, 0, static_cast<std::uint16_t>(tick / 1000 % 2));
    }
    quillon::TracePlot plot(history);
    plot.resize(1000, 800);
    std::vector<int> shown(kChannels);
    for (int channel = 0; channel < kChannels; ++channel) {
        shown[static_cast<std::size_t>(channel)] = channel;
    }
    plot.SetShownChannels(shown);
    plot.SetWindow(60.0, 60.0);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        plot.render(&image);
    }
}
BENCHMARK(BM_RepaintMinute)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
