// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "control/event_sink.hpp"
#include "control/force_write.hpp"
#include "control/instance_facts.hpp"
#include "host/host_control.hpp"

namespace quillon {

// DOUT 0 to 7 as the scan cycle decides them, in both layouts instruments take: bit n, or bit
// n + 8 (DOUT 7 is the sign bit). Written at most once a tick, and only on a change unless
// Start or Stop forced the next write. The manual word (ManualControl) is a class of its own:
// it keeps its own words and last-written values and reports a failed write instead of
// stopping anything; the two share only the forced write and the layout.
class OutputWord {
public:
    OutputWord(ForceWrite& force_write, const InstanceFacts& facts, HostControl& host)
        : force_write_(force_write), facts_(facts), host_(host) {}

    void SetEventSink(EventSink* events) { events_ = events; }
    void SetOutputBit(int output, int value);
    // A failing host write propagates; the last-written value and a forced write then stay.
    void WriteOutputWord();

    std::uint16_t Word() const { return word_; }
    std::uint16_t HighByteWord() const { return high_byte_word_; }
    std::uint16_t LastWrittenWord() const { return last_written_word_; }

private:
    ForceWrite& force_write_;
    const InstanceFacts& facts_;
    HostControl& host_;
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    // Unsigned so that bit 15 is set and cleared without signed overflow.
    std::uint16_t word_ = 0;
    std::uint16_t high_byte_word_ = 0;
    std::uint16_t last_written_word_ = 0;
    std::uint16_t last_written_high_byte_word_ = 0;
};

}  // namespace quillon
