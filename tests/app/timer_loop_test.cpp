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
    Addon addon(ports.With(host));
    addon.Load("");
    const auto start = ports.clock.Monotonic();
    int scan_ticks = 0;
    std::atomic<bool> stop{false};
    TimerLoop loop(addon, ports.clock,
                   [&] { stop = ports.clock.Monotonic() - start >= std::chrono::seconds(3); });
    loop.OnScanTick([&](auto) { ++scan_ticks; });
    loop.Run([&stop] { return stop.load(); });
    EXPECT_EQ(scan_ticks, 299);  // the first one period after the start, the last before 3 s
    EXPECT_EQ(ports.sound.played.size(), 3U);  // at once, then every second (interval 0)
}

}  // namespace
}  // namespace quillon
