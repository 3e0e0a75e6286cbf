// SPDX-License-Identifier: MIT
// The Modbus host against a real Modbus TCP server (pymodbus) on loopback: the tick's time
// inside ReadScans, and how old the newest scan is and how long a register change takes to
// reach the coils at 100 polls/s. Run from the build tree; the server is started on a free port.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#include "host/modbus/test_server.hpp"
#include "host/window_block.hpp"

namespace quillon::bench {
namespace {

using modbus::ModbusHost;
using testing::ModbusTestServer;
using Milliseconds = std::chrono::duration<double, std::milli>;

modbus::DeviceDescription Device(const ModbusTestServer& server, int channels,
                                 int poll_rate = 100) {
    std::string text = "server 127.0.0.1 " + std::to_string(server.Port()) + "\npoll-rate " +
                       std::to_string(poll_rate) + "\noutputs coils 0\n";
    // The test server has 200 registers of each kind: beyond 128 channels, holding registers.
    for (int channel = 0; channel < channels; ++channel) {
        text += "channel " + std::to_string(channel) +
                (channel < 128 ? " input-register " : " holding-register ") +
                std::to_string(channel % 128) + "\n";
    }
    std::istringstream in(text);
    return modbus::DeviceFileParser("bench.dev").Parse(in);
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// What the scan tick asks of the host with 64 channels and a DataWindow of 1000: the window,
// then the current scan. The ring holds well over 1000 distinct scans first, and the poller
// goes on pushing while the tick reads.
void BM_TickReadScans64Channels1000Window(benchmark::State& state) {
    ModbusTestServer server;
    ModbusHost host(Device(server, 64, 250));
    host.PrepareAcquisition();
    std::this_thread::sleep_for(std::chrono::seconds(6));
    SampleBlock window;
    SampleBlock samples;
    for (auto _ : state) {
        host.ReadScans(1000, window);
        host.ReadScans(1, samples);
        benchmark::DoNotOptimize(window.At(63, 999) + samples.At(0, 0));
    }
}
BENCHMARK(BM_TickReadScans64Channels1000Window)->Unit(benchmark::kMicrosecond);

// The process's CPU (the poller thread and the tick) with 256 channels polled 100 times a
// second and a tick every 10 ms that reads what one statistic token over a DataWindow of 32767
// needs (one channel's window) and the current scan, for 10 s; the server is another process.
void BM_CpuAt100PollsPerSecond256Channels32767Window(benchmark::State& state) {
    ModbusTestServer server;
    ModbusHost host(Device(server, 256));
    host.PrepareAcquisition();
    WindowBlock window;
    window.Select({250});
    SampleBlock samples;
    for (auto _ : state) {
        const auto cpu = [] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            const auto seconds = [](const timeval& t) {
                return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
            };
            return seconds(usage.ru_utime) + seconds(usage.ru_stime);
        };
        const double cpu_before = cpu();
        const auto start = std::chrono::steady_clock::now();
        auto due = start;
        for (int tick = 0; tick < 1000; ++tick) {
            host.ReadWindow(32767, window);
            host.ReadScans(1, samples);
            benchmark::DoNotOptimize(window.SlidingMaximum(250));
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["core_percent"] = (cpu() - cpu_before) / wall * 100.0;
        state.counters["late_polls"] = static_cast<double>(host.LatePolls());
    }
}
BENCHMARK(BM_CpuAt100PollsPerSecond256Channels32767Window)->Iterations(1)->Unit(benchmark::kSecond);

// A 10 ms tick on its own thread, as the front ends run it: channel 0 above 0.5 drives coil 0.
class TickLoop {
public:
    explicit TickLoop(ModbusHost& host) : host_(host), thread_([this] { Run(); }) {}
    ~TickLoop() {
        stop_ = true;
        thread_.join();
    }
    std::vector<double> Ages() const { return ages_; }

private:
    void Run() {
        std::int16_t written = -1;
        SampleBlock block;
        auto due = std::chrono::steady_clock::now();
        while (!stop_) {
            host_.ReadScans(1, block);
            const std::int16_t word = block.At(0, 0) > 0.5 ? 1 : 0;
            if (word != written) {
                host_.WriteDigitalOutputs(word);
                written = word;
            }
            host_.Service();
            ages_.push_back(Milliseconds(host_.NewestScanAge().value_or(
                                             std::chrono::steady_clock::duration::zero()))
                                .count());
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
        }
    }

    ModbusHost& host_;
    std::atomic<bool> stop_{false};
    std::vector<double> ages_;
    std::thread thread_;
};

void BM_RegisterChangeToCoilAt100PollsPerSecond(benchmark::State& state) {
    ModbusTestServer server;
    ModbusHost host(Device(server, 1));
    host.PrepareAcquisition();
    std::vector<double> latencies;
    std::vector<double> ages;
    for (auto _ : state) {
        TickLoop tick(host);
        for (int change = 1; change <= state.range(0); ++change) {
            const int value = change % 2;
            server.Set("ir", 0, {value});
            const auto changed = std::chrono::steady_clock::now();
            while (server.Get("co", 0, 1) != std::vector{value}) {
            }
            latencies.push_back(Milliseconds(std::chrono::steady_clock::now() - changed).count());
        }
        ages = tick.Ages();
    }
    state.counters["change_to_coil_median_ms"] = Percentile(latencies, 0.5);
    state.counters["change_to_coil_p99_ms"] = Percentile(latencies, 0.99);
    state.counters["newest_scan_age_median_ms"] = Percentile(ages, 0.5);
    state.counters["newest_scan_age_p99_ms"] = Percentile(ages, 0.99);
    state.counters["late_polls"] = static_cast<double>(host.LatePolls());
}
BENCHMARK(BM_RegisterChangeToCoilAt100PollsPerSecond)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quillon::bench

BENCHMARK_MAIN();
