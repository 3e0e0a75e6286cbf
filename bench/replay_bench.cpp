// SPDX-License-Identifier: MIT
// quillon-replay's engine on an hour of recording at 1,000 scans a second with the ten sample
// equations, and the event log's cost inside the tick.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>

#include "bench/bench_ports.hpp"
#include "events/event_log.hpp"
#include "host/sim/scenario.hpp"
#include "replay/replay_engine.hpp"

namespace quillon::bench {
namespace {

// Takes every block and keeps only its size, as a file on a fast disk would.
class CountingFile final : public EventFile {
public:
    std::size_t bytes = 0;
    std::size_t Append(std::string_view block, std::string&) override {
        bytes += block.size();
        return block.size();
    }
    std::string Name() const override { return "counting"; }
};

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point WallTime() override {
        return std::chrono::system_clock::now();
    }
    std::chrono::steady_clock::time_point Monotonic() override {
        return std::chrono::steady_clock::now();
    }
    void SleepUntil(std::chrono::steady_clock::time_point) override {}
};

// `seconds` of rows at 1,000 a second: each channel a sine of its own period.
std::shared_ptr<const sim::Recording> SineRecording(int channels, int seconds) {
    auto recording = std::make_shared<sim::Recording>();
    recording->source = "bench.csv";
    for (int channel = 0; channel < channels; ++channel) {
        recording->channel_names.push_back("c" + std::to_string(channel));
    }
    recording->rows = static_cast<std::size_t>(seconds) * 1000;
    recording->scan_rate = 1000.0;
    recording->values.resize(recording->rows * static_cast<std::size_t>(channels));
    for (std::size_t row = 0; row < recording->rows; ++row) {
        for (int channel = 0; channel < channels; ++channel) {
            const double t = static_cast<double>(row) / 1000.0;
            recording->values[row * static_cast<std::size_t>(channels) +
                              static_cast<std::size_t>(channel)] =
                (channel % 7) + 2.0 * std::sin(2.0 * 3.141592653589793 * t / (1 + channel % 5));
        }
    }
    return recording;
}

// An hour of recording replayed with the event log on. Arguments: channels, data window, and
// the seconds the recording holds before it loops (an hour of 64 channels would be 1.8 GB).
void BM_ReplayHour(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    const int data_window = static_cast<int>(state.range(1));
    const int recorded = static_cast<int>(state.range(2));
    const auto recording = SineRecording(channels, recorded);
    FixedSettings settings(SampleEquations("#rms2>1.5", data_window));
    PointLocale locale;
    constexpr double kHour = 3600.0;
    for (auto _ : state) {
        ReplayEngine engine(sim::RecordingScenario(recording, recorded < kHour), {0.0, kHour},
                            std::chrono::system_clock::now(), settings, locale);
        EventLog log(engine.GetClock(), {});
        auto file = std::make_unique<CountingFile>();
        CountingFile* counted = file.get();
        log.AttachFile(std::move(file));
        log.WriteInLargeBlocks();
        engine.AddSink(&log);
        const auto start = std::chrono::steady_clock::now();
        engine.Run("");
        log.Flush();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["ticks"] = static_cast<double>(engine.Ticks());
        state.counters["x_real_time"] = kHour / seconds;
        state.counters["us_per_tick"] = seconds * 1e6 / static_cast<double>(engine.Ticks());
        state.counters["log_MB"] = static_cast<double>(counted->bytes) / 1e6;
        if (engine.Ticks() < 359'000) {
            state.SkipWithError("the replay stopped early");
        }
    }
}

BENCHMARK(BM_ReplayHour)
    ->Args({8, 100, 3600})
    ->Args({64, 1000, 360})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The log's cost on a tick when nothing happens: the tick number and the flush check.
void BM_EventLogTickWithoutEvent(benchmark::State& state) {
    SystemClock clock;
    EventLog log(clock, {});
    log.AttachFile(std::make_unique<CountingFile>());
    std::uint64_t tick = 0;
    for (auto _ : state) {
        log.TickStarted(++tick);
    }
}
BENCHMARK(BM_EventLogTickWithoutEvent);

// One slot's state change with its equation, substituted text and value, on its own tick,
// with the write once a second.
void BM_EventLogStateChange(benchmark::State& state) {
    SystemClock clock;
    EventLog log(clock, {});
    log.AttachFile(std::make_unique<CountingFile>());
    std::uint64_t tick = 0;
    const std::string equation = "(#1<3)&(#5<5)";
    const std::string substituted = "(2.5000000000000004<3)&(4.123456789012345<5)";
    for (auto _ : state) {
        log.TickStarted(++tick);
        const bool on = tick % 2 == 0;
        log.SlotChanged(SlotChange{7, "Set", on ? "off" : "on", on ? "on" : "off",
                                   EquationTrace{equation, substituted, on ? 1.0 : 0.0}});
    }
}
BENCHMARK(BM_EventLogStateChange);

}  // namespace
}  // namespace quillon::bench

BENCHMARK_MAIN();
