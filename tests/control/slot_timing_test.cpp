// SPDX-License-Identifier: MIT
// One slot's delays and latch, tick by tick at the scan period.
#include "control/slot_timing.hpp"

#include <gtest/gtest.h>

#include <string>

#include "case_name.hpp"

namespace quillon {
namespace {

constexpr std::chrono::milliseconds kPeriod{10};

// A script, one character an event: '1' and '0' a tick whose demand is on or off, 'S' and 'R' a
// tick in Force Set or Force Reset, '|' a new run (Start), 'a' an acknowledgement. The result
// has one character a tick: '0' off, '1' on, 'L' on and latched, 'l' forced off while latched.
std::string PlayScript(const std::string& script, const SlotTimingSettings& settings) {
    SlotTiming timing;
    std::string states;
    for (const char event : script) {
        bool shown = false;
        switch (event) {
            case '|':
                timing.Restart();
                continue;
            case 'a':
                timing.Acknowledge();
                continue;
            case 'S':
            case 'R':
                shown = event == 'S';
                timing.Bypass(shown);
                break;
            default:
                shown = timing.Step(event == '1', settings, kPeriod);
                break;
        }
        states += timing.Latched() ? (shown ? 'L' : 'l') : (shown ? '1' : '0');
    }
    return states;
}

struct TimingCase {
    const char* name;
    SlotTimingSettings settings;
    const char* script;
    const char* states;
};

SlotTimingSettings Timing(int on_ms, int off_ms, bool latch) {
    SlotTimingSettings settings;
    settings.on_delay_ms = on_ms;
    settings.off_delay_ms = off_ms;
    settings.latch = latch;
    return settings;
}

class SlotTimingTest : public ::testing::TestWithParam<TimingCase> {};

TEST_P(SlotTimingTest, StatePerTick) {
    const TimingCase& c = GetParam();
    EXPECT_EQ(PlayScript(c.script, c.settings), c.states) << c.script;
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, SlotTimingTest,
    ::testing::Values(
        TimingCase{"no timing follows every tick", Timing(0, 0, false), "0110100", "0110100"},
        TimingCase{"on delay 30 ms needs three more true ticks", Timing(30, 0, false), "0111110",
                   "0000110"},
        TimingCase{"on delay restarts after a false tick", Timing(30, 0, false), "1101111",
                   "0000001"},
        TimingCase{"an excursion shorter than the on delay never turns on", Timing(50, 0, false),
                   "0111100000", "0000000000"},
        TimingCase{"a delay between ticks rounds up", Timing(25, 0, false), "11110", "00010"},
        TimingCase{"off delay bridges flicker", Timing(0, 20, false), "1010011000", "1111111110"},
        TimingCase{"off delay ends after enough false ticks", Timing(0, 20, false), "11000",
                   "11110"},
        TimingCase{"both delays", Timing(20, 20, false), "1111001100000", "0011111111000"},
        TimingCase{"latch holds after the equation turns false", Timing(0, 0, true), "01000",
                   "0LLLL"},
        TimingCase{"acknowledged while false turns off on the next tick", Timing(0, 0, true),
                   "0100a00", "0LLL00"},
        TimingCase{"acknowledged while true stays on until false, then latches anew",
                   Timing(0, 0, true), "11a1101", "LL110L"},
        TimingCase{"an acknowledged latch ends once the off delay has passed since false",
                   Timing(0, 30, true), "10a0000", "LL1100"},
        TimingCase{"latch after the on delay", Timing(20, 0, true), "1110a0", "00LL0"},
        TimingCase{"a Start begins the delays afresh", Timing(30, 0, false), "111|11110",
                   "00000010"},
        TimingCase{"a Start turns a held slot off", Timing(0, 50, false), "10|0", "110"},
        TimingCase{"a latch outlives a Start", Timing(0, 0, true), "10|00a0", "LLLL0"},
        TimingCase{"a forced mode during the on delay starts it again", Timing(30, 0, false),
                   "11R11111", "00000011"},
        TimingCase{"Force Set then the equation takes over with its off delay",
                   Timing(0, 20, false), "SS0001", "111101"},
        TimingCase{"a forced mode leaves a latch standing", Timing(0, 0, true), "1RR0a0", "LllL0"}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

TEST(SlotTimingDelayTicks, RoundsUpAndNeverNegative) {
    EXPECT_EQ(SlotTiming::DelayTicks(0, kPeriod), 0);
    EXPECT_EQ(SlotTiming::DelayTicks(1, kPeriod), 1);
    EXPECT_EQ(SlotTiming::DelayTicks(5000, kPeriod), 500);
    EXPECT_EQ(SlotTiming::DelayTicks(-5, kPeriod), 0);
    EXPECT_EQ(SlotTiming::DelayTicks(kLongestSlotDelayMs, kPeriod), 360'000);
}

}  // namespace
}  // namespace quillon
