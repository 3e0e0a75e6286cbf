// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.hpp"
#include "events/event_lines.hpp"
#include "fakes/fake_ports.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

using std::chrono::milliseconds;

class LineList final : public EventLines {
public:
    using EventLines::EventLines;
    std::vector<std::string> lines;

private:
    void Emit(std::string_view line) override { lines.emplace_back(line); }
};

struct OverrunCase {
    const char* name;
    int ticks;
    milliseconds took;     // each tick, on the fake clock
    milliseconds between;  // from the end of one tick to the start of the next
    std::string status;    // the status line afterwards
    std::size_t lines;     // cycle_overrun lines in the event log
};

class CycleOverrunTest : public ::testing::TestWithParam<OverrunCase> {};

// The ticks run on a fake clock that a read moves on by the tick's length: ticks over 10 ms
// are counted over the last minute, the status line says so, and the event log gets a line at
// most once a second.
TEST_P(CycleOverrunTest, SlowTicksAreCountedAndSaidOnceASecond) {
    const OverrunCase& c = GetParam();
    testing::RecordingHost host;
    host.block = SampleBlock(4, 1);
    testing::FakePorts ports;
    ports.StoreSettings("MathExpression8=1\nS8=Set\n");
    Application application(ports.With(host));
    LineList log(ports.clock);
    application.SetEventSink(&log);
    application.SetTickObserver(
        [&](const SampleBlock&, int, std::uint16_t) { ports.clock.monotonic += c.took; });
    application.Load("");
    application.GetPanel().SetStatus("");
    for (int tick = 0; tick < c.ticks; ++tick) {
        application.ScanTick();
        ports.clock.monotonic += c.between;
    }
    EXPECT_EQ(application.GetPanel().Status(), c.status);
    std::vector<std::string> overruns;
    for (const std::string& line : log.lines) {
        if (line.find("\"event\":\"cycle_overrun\"") != std::string::npos) {
            overruns.push_back(line);
        }
    }
    ASSERT_EQ(overruns.size(), c.lines);
    if (!overruns.empty()) {
        EXPECT_NE(overruns.front().find("\"ticks_last_minute\":1,\"worst_ms\":" +
                                        std::to_string(c.took.count()) + ".0}"),
                  std::string::npos)
            << overruns.front();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Application, CycleOverrunTest,
    ::testing::Values(
        // 100 ticks of 25 ms, 35 ms apart: a line at the first and then at the first tick a
        // second later (ticks 30, 59 and 88); the status line is the last line's.
        OverrunCase{"TicksOf25Ms", 100, milliseconds(25), milliseconds(10),
                    "cycle overrun: 88 ticks over 10 ms in the last minute (worst 25 ms)", 4},
        OverrunCase{"TicksOf10MsAreOnTime", 100, milliseconds(10), milliseconds(0), "", 0},
        // 200 ticks of 350 ms, a line every third: the last at 69.65 s, when the ticks that
        // ended before 9.65 s have left the minute.
        OverrunCase{"TheLastMinuteOnly", 200, milliseconds(350), milliseconds(0),
                    "cycle overrun: 172 ticks over 10 ms in the last minute (worst 350 ms)", 67}),
    [](const ::testing::TestParamInfo<OverrunCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quillon
