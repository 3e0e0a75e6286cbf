// SPDX-License-Identifier: MIT
// The whole tick at the largest sizes: 256 channels, a data window of 32,767 scans and ten
// statistic tokens on ten channels, against the simulated instrument at 100,000 scans a second
// and against a Modbus scan ring that one poll a tick feeds; and ten equations on 8 channels
// without statistics. Builds against any version of the core with the same front door.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "bench/bench_ports.hpp"
#include "host/modbus/scan_ring.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/no_key_state.hpp"
#include "platform/process_launcher.hpp"
#include "platform/prompter.hpp"
#include "platform/sound_player.hpp"
#include "platform/std_clock.hpp"

namespace quillon::bench {
namespace {

sim::Scenario Scenario(int channels, int scan_rate) {
    std::ostringstream text;
    text << "channels " << channels << "\nscan-rate " << scan_rate << "\n";
    for (int c = 0; c < channels; ++c) {
        text << "channel " << c << " sine offset=" << c % 7 << " amplitude=2 period=" << 1 + c % 5
             << "\n";
    }
    std::istringstream in(text.str());
    return sim::ParseScenario(in, "bench");
}

// Ten slots, each an AC RMS over the window of its own channel.
std::map<std::string, std::string> StatisticSettings(int data_window) {
    std::map<std::string, std::string> keys = {
        {"DataWindow", std::to_string(data_window)}, {"S8", "Set"}, {"S9", "Set"}};
    for (int slot = 0; slot < 10; ++slot) {
        const int channel = slot * 25;
        keys["MathExpression" + std::to_string(slot)] =
            "#acrms" + std::to_string(channel) + ">" + std::to_string(1 + slot % 3);
    }
    return keys;
}

// A host whose scans come from a Modbus scan ring, as the Modbus host's do; the rest from a
// simulated instrument of as many channels.
class RingHost final : public HostControl {
public:
    RingHost(sim::SimulatedInstrument& inner, modbus::ScanRing& ring)
        : inner_(inner), ring_(ring) {}
    void SetIdentification(const std::string& text) override { inner_.SetIdentification(text); }
    std::string Identification() override { return inner_.Identification(); }
    std::int16_t ChannelCount() override { return inner_.ChannelCount(); }
    double HostValue() override { return inner_.HostValue(); }
    double UpperRange(std::int16_t channel) override { return inner_.UpperRange(channel); }
    double LowerRange(std::int16_t channel) override { return inner_.LowerRange(channel); }
    std::int32_t InstrumentModel(std::int16_t selector) override {
        return inner_.InstrumentModel(selector);
    }
    std::int16_t DigitalInputMark(std::int16_t channel) override {
        return inner_.DigitalInputMark(channel);
    }
    void PrepareAcquisition() override {}
    void CompleteStartup() override {}
    void WriteDigitalOutputs(std::int16_t) override {}
    void ReadScans(std::int16_t scans, SampleBlock& block) override {
        ring_.CopyNewest(scans, block);
    }
#if __has_include("host/window_block.hpp")
    void ReadWindow(std::int16_t scans, WindowBlock& block) override {
        ring_.CopyNewest(scans, block);
    }
#endif
    std::string ChannelText(std::int16_t channel) override {
        return inner_.ChannelText(channel);
    }

private:
    sim::SimulatedInstrument& inner_;
    modbus::ScanRing& ring_;
};

struct Front {
    explicit Front(HostControl& host, const std::map<std::string, std::string>& keys)
        : settings(keys),
          application(Ports{host, settings, prompter, locale, clock, sound, launcher, keys_}) {
        application.Load("");
    }
    bool Running() { return application.GetPanel().ScanTimerEnabled(); }

    FixedSettings settings;
    NoPrompter prompter;
    PointLocale locale;
    StdClock clock;
    Silence sound;
    NoLauncher launcher;
    NoKeyState keys_;
    Application application;
};

constexpr int kChannels = 256;
constexpr int kWindow = 32767;

void BM_TickSimulated256Channels32767Window(benchmark::State& state) {
    double now = 1.0;
    sim::SimulatedInstrument instrument(Scenario(kChannels, 100'000), [&now] { return now; });
    Front front(instrument, StatisticSettings(kWindow));
    if (!front.Running()) {
        state.SkipWithError("the run did not start");
        return;
    }
    for (auto _ : state) {
        now += 0.01;
        front.application.ScanTick();
    }
    if (!front.Running()) {
        state.SkipWithError(("the run stopped: " + front.application.GetPanel().Status()).c_str());
    }
}
BENCHMARK(BM_TickSimulated256Channels32767Window)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One poll between two ticks, as at 100 polls a second: at 100 ticks a second the tick takes
// its CPU time times 100 of one core.
void BM_TickModbusRing256Channels32767Window(benchmark::State& state) {
    sim::SimulatedInstrument instrument(Scenario(kChannels, 1000), [] { return 1.0; });
    modbus::ScanRing ring(kChannels, kWindow + 1);
    std::vector<double> scan(kChannels);
    for (int s = 0; s <= kWindow; ++s) {
        for (int c = 0; c < kChannels; ++c) {
            scan[static_cast<std::size_t>(c)] = (s * 7 + c) % 101 * 0.1;
        }
        ring.Push(scan.data(), modbus::ScanRing::Time{});
    }
    RingHost host(instrument, ring);
    Front front(host, StatisticSettings(kWindow));
    if (!front.Running()) {
        state.SkipWithError("the run did not start");
        return;
    }
    int poll = 0;
    for (auto _ : state) {
        scan[static_cast<std::size_t>(poll++ % kChannels)] += 0.5;
        ring.Push(scan.data(), modbus::ScanRing::Time{});
        front.application.ScanTick();
    }
    if (!front.Running()) {
        state.SkipWithError(("the run stopped: " + front.application.GetPanel().Status()).c_str());
    }
}
BENCHMARK(BM_TickModbusRing256Channels32767Window)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One statistic token in slot 0 (0: "#max250", 1: "#acrms250"), the other slots off, one poll
// between two ticks: the tick's CPU time times 100 is its share of a core at 100 polls a second.
void BM_TickModbusRingOneStatistic(benchmark::State& state) {
    sim::SimulatedInstrument instrument(Scenario(kChannels, 1000), [] { return 1.0; });
    modbus::ScanRing ring(kChannels, kWindow + 1);
    std::vector<double> scan(kChannels);
    for (int s = 0; s <= kWindow; ++s) {
        for (int c = 0; c < kChannels; ++c) {
            scan[static_cast<std::size_t>(c)] = (s * 7 + c) % 101 * 0.1;
        }
        ring.Push(scan.data(), modbus::ScanRing::Time{});
    }
    RingHost host(instrument, ring);
    Front front(host, {{"DataWindow", std::to_string(kWindow)},
                       {"MathExpression0", state.range(0) == 0 ? "#max250>5" : "#acrms250>1"},
                       {"S8", "Set"},
                       {"S9", "Set"}});
    if (!front.Running()) {
        state.SkipWithError("the run did not start");
        return;
    }
    int poll = 0;
    for (auto _ : state) {
        scan[static_cast<std::size_t>(poll++ % kChannels)] += 0.5;
        ring.Push(scan.data(), modbus::ScanRing::Time{});
        front.application.ScanTick();
    }
    state.counters["core_percent_at_100_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / (100.0 * 100.0),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TickModbusRingOneStatistic)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TickTenEquations8ChannelsNoStatistics(benchmark::State& state) {
    double now = 1.0;
    sim::SimulatedInstrument instrument(Scenario(8, 1000), [&now] { return now; });
    Front front(instrument, SampleEquations("#B1>#1", 100));
    if (!front.Running()) {
        state.SkipWithError("the run did not start");
        return;
    }
    for (auto _ : state) {
        now += 0.01;
        front.application.ScanTick();
    }
}
BENCHMARK(BM_TickTenEquations8ChannelsNoStatistics)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillon::bench

BENCHMARK_MAIN();
