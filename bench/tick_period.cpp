// SPDX-License-Identifier: MIT
// The scan tick's period in the headless front end, against the demo instrument: runs for the
// given number of seconds (default 60) and prints the median, the 99th percentile and a
// histogram of the periods.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include "app/application.hpp"
#include "app/timer_loop.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/no_key_state.hpp"
#include "platform/platform.hpp"
#include "ui/headless/console_prompter.hpp"
#include "ui/headless/console_sound_player.hpp"

namespace {

using Clock = std::chrono::steady_clock;

void PrintHistogram(const std::vector<double>& periods_ms) {
    const double edges[] = {9.0, 9.5, 9.8, 9.9, 9.95, 10.05, 10.1, 10.2, 10.5, 11.0, 12.0, 1e9};
    double low = 0.0;
    for (double high : edges) {
        const auto count = std::count_if(periods_ms.begin(), periods_ms.end(),
                                         [&](double p) { return p >= low && p < high; });
        const int bar = static_cast<int>(60.0 * static_cast<double>(count) /
                                         static_cast<double>(periods_ms.size()));
        std::printf("  %6.2f .. %-8.2f ms %7ld %s\n", low, high > 1e8 ? 999.0 : high,
                    static_cast<long>(count),
                    std::string(static_cast<std::size_t>(bar), '#').c_str());
        low = high;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    quillon::sim::SimulatedInstrument host(quillon::sim::DemoScenario(),
                                           quillon::sim::SimulatedInstrument::SteadyClockFromNow());
    // The platform's own clock: its sleep is what decides the period.
    const std::unique_ptr<quillon::Platform> platform = quillon::CreatePlatform();
    quillon::Clock& clock = platform->SystemClock();
    quillon::ConsolePrompter prompter(std::cout);
    quillon::ConsoleSoundPlayer sound(std::cout, clock);
    quillon::NoKeyState keys;
    quillon::Application application(quillon::Ports{host, platform->Profiles(), prompter,
                                                    platform->UserLocale(), clock, sound,
                                                    platform->Launcher(), keys});
    application.Load("-dsim -nTickPeriod");

    std::vector<Clock::time_point> ticks;
    ticks.reserve(static_cast<std::size_t>(seconds * 110));
    std::atomic<bool> stop{false};
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    quillon::TimerLoop loop(application, clock, [&] {
        host.Service();
        stop = Clock::now() >= end;
    });
    loop.OnScanTick([&](Clock::time_point at) { ticks.push_back(at); });
    loop.Run([&stop] { return stop.load(); });
    application.Unload();

    std::vector<double> periods;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        periods.push_back(
            std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    }
    if (periods.empty()) {
        std::cerr << "no ticks ran\n";
        return 1;
    }
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) {
        return sorted[static_cast<std::size_t>(q * (sorted.size() - 1))];
    };
    std::printf(
        "%zu tick periods over %.0f s: median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n",
        periods.size(), seconds, at(0.5), at(0.99), sorted.back());
    PrintHistogram(periods);
    return 0;
}
