// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>

namespace quillon {

// A slot's alarm timing as the settings file holds it. All zero: the slot follows its equation
// tick by tick, exactly as without timing.
struct SlotTimingSettings {
    std::int32_t on_delay_ms = 0;   // OnDelayN: true this long before the slot turns on
    std::int32_t off_delay_ms = 0;  // OffDelayN: false this long before the slot turns off
    bool latch = false;             // LatchN: once on, on until acknowledged
    // Each key was in the file at load: it is saved again even at its default, so that a value
    // set back to 0 does not leave the old one behind.
    bool on_delay_stored = false;
    bool off_delay_stored = false;
    bool latch_stored = false;

    bool IsPlain() const { return on_delay_ms == 0 && off_delay_ms == 0 && !latch; }
};

inline constexpr std::int32_t kLongestSlotDelayMs = 3'600'000;  // one hour

// One slot's on-delay, off-delay and latch, between what its equation demands (after "Reset"
// has turned the result round) and what the slot does. Time is counted in scan ticks: a delay
// of d ms needs the demand to hold on ceil(d / period) ticks after the one it changed on.
//
// `pending` counts the ticks in a row on which the demand differed from the state.
//
//   state  latched  demand  pending after          next state
//   off    -        off     0                      off
//   off    -        on      +1; > on-delay ticks   on (latched when Latch is set), pending 0
//   off    -        on      +1; <= on-delay ticks  off (waiting)
//   on     no       on      0                      on
//   on     no       off     +1; > off-delay ticks  off, pending 0
//   on     no       off     +1; <= off-delay ticks on (holding)
//   on     yes      any     counts as above        on: only an acknowledgement ends a latch
//
// Acknowledge ends the latch and nothing else: a slot whose demand is still on stays on, and
// one that has been off longer than its off-delay turns off on the next tick. A forced mode or
// manual mode (Bypass) sets the state and clears `pending` but leaves a latch standing (the
// slot is on again, latched, when the equation takes over before an acknowledgement). A new
// run (Restart) clears `pending` and turns the slot off unless it is latched: an alarm nobody
// has acknowledged outlives a Stop and Start.
class SlotTiming {
public:
    // One decision: the slot's state on this tick for this tick's demand.
    bool Step(bool demand, const SlotTimingSettings& settings, std::chrono::milliseconds period);
    // A forced or manual state that skips the equation.
    void Bypass(bool on);
    // True when the slot was latched (the acknowledgement did something).
    bool Acknowledge();
    void Restart();

    bool On() const { return on_; }
    bool Latched() const { return latched_; }

    // The ticks a delay spans at this period, rounded up: a delay is never shorter than set.
    static std::int64_t DelayTicks(std::int32_t delay_ms, std::chrono::milliseconds period);

private:
    bool on_ = false;
    bool latched_ = false;
    std::int64_t pending_ = 0;
};

}  // namespace quillon
