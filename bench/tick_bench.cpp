// SPDX-License-Identifier: MIT
// One whole math-mode tick in process against the simulated instrument: ten equations, 8 to
// 256 channels, history depth 3, with and without window statistics.
#include <benchmark/benchmark.h>

#include <sstream>
#include <thread>

#include "app/application.hpp"
#include "bench/bench_ports.hpp"
#include "bench/timed_host.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/clock.hpp"
#include "platform/no_key_state.hpp"
#include "platform/process_launcher.hpp"
#include "platform/prompter.hpp"
#include "platform/sound_player.hpp"
#include "platform/std_clock.hpp"

namespace quillon::bench {
namespace {

sim::Scenario Scenario(int channels) {
    std::ostringstream text;
    text << "channels " << channels << "\nscan-rate 1000\n";
    for (int c = 0; c < channels; ++c) {
        text << "channel " << c << " sine offset=" << c % 7 << " amplitude=2 period=" << 1 + c % 5
             << "\n";
    }
    std::istringstream in(text.str());
    return sim::ParseScenario(in, "bench");
}

void BM_MathTick(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    const int data_window = static_cast<int>(state.range(1));
    double now = 1.0;
    sim::SimulatedInstrument instrument(Scenario(channels), [&now] { return now; });
    TimedHost host(instrument);
    FixedSettings settings(data_window > 0 ? SampleEquations("#rms2>1.5", data_window)
                                           : SampleEquations("#B1>#1", 100));
    NoPrompter prompter;
    PointLocale locale;
    StdClock clock;
    Silence sound;
    NoLauncher launcher;
    NoKeyState keys;
    Application application(Ports{host, settings, prompter, locale, clock, sound, launcher, keys});
    application.Load("");
    if (!application.GetPanel().ScanTimerEnabled()) {
        state.SkipWithError("the run did not start");
        return;
    }
    host.read_time = {};
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        now += 0.01;
        application.ScanTick();
    }
    const auto total = std::chrono::steady_clock::now() - start;
    if (!application.GetPanel().ScanTimerEnabled()) {
        state.SkipWithError(("the run stopped: " + application.GetPanel().Status()).c_str());
        return;
    }
    const double ticks = static_cast<double>(state.iterations());
    const auto micros = [ticks](auto duration) {
        return std::chrono::duration<double, std::micro>(duration).count() / ticks;
    };
    state.counters["read_us"] = micros(host.read_time);
    state.counters["core_us"] = micros(total - host.read_time);
    state.counters["history"] = application.GetRunState().tokens.history_depth;
    state.counters["statistics"] = application.GetRunState().tokens.statistics_in_use ? 1 : 0;
}

// Second argument: the data window, 0 for no statistics.
BENCHMARK(BM_MathTick)->ArgsProduct({{8, 32, 256}, {0, 100, 1000}})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillon::bench

BENCHMARK_MAIN();
