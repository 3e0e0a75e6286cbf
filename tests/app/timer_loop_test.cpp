// SPDX-License-Identifier: MIT
#include "app/timer_loop.hpp"

#include <gtest/gtest.h>

#include "fakes/fake_ports.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

// The loop on a clock that moves only when waited on: the timers' ticks follow their periods
// exactly, with no real time spent.
TEST(TimerLoopTest, EachTimerTicksOnItsPeriodOfTheClock) {
    testing::RecordingHost host;
    host.block = SampleBlock(4, 1);
    testing::FakePorts ports;
    ports.StoreSettings("MathExpression8=1\nS8=Set\nAlarmInterval=0\n");
    Application application(ports.With(host));
    application.Load("");
    const auto start = ports.clock.Monotonic();
    int scan_ticks = 0;
    std::atomic<bool> stop{false};
    TimerLoop loop(application, ports.clock,
                   [&] { stop = ports.clock.Monotonic() - start >= std::chrono::seconds(3); });
    loop.OnScanTick([&](auto) { ++scan_ticks; });
    loop.Run([&stop] { return stop.load(); });
    EXPECT_EQ(scan_ticks, 299);  // the first one period after the start, the last before 3 s
    EXPECT_EQ(ports.sound.played.size(), 3U);  // at once, then every second (interval 0)
}

// The keep-alive timer's half minute, on the same clock: a quiet run with the keep-alive switched
// on queues one every 30 s, and a run whose e-mail equation is true queues none.
TEST(TimerLoopTest, KeepAliveEveryHalfMinuteOfTheClockOnlyWhileQuiet) {
    for (const auto& [equation, keep_alives] : {std::pair{"#0>3.3", 2}, std::pair{"#0<1", 0}}) {
        testing::RecordingHost host;
        host.block = SampleBlock(4, 1);
        testing::FakePorts ports;
        ports.StoreSettings(std::string("S9=Set\nMathExpression9=") + equation +
                            "\nEmailAlarmInterval=1\nKeepAliveEmail=1\n");
        Application application(ports.With(host));
        application.Load("");
        const auto start = ports.clock.Monotonic();
        TimerLoop loop(application, ports.clock, [] {});
        loop.Run([&] { return ports.clock.Monotonic() - start >= std::chrono::seconds(65); });
        int queued = 0;
        for (const auto& launch : ports.launcher.launched) {
            queued += launch.arguments.at(2).rfind("KeepAlive", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(queued, keep_alives) << equation;
    }
}

}  // namespace
}  // namespace quillon
