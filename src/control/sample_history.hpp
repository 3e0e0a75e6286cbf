// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/sample_block.hpp"

namespace quillon {

// The newest sample of every channel at each tick, with which slots were active, and the
// moments the audio alarm started and an e-mail was launched: what a live view draws. The
// tick fills it in O(channels) from the block it has already read; it is a fixed ring, so a
// run of weeks uses no more memory than a run of minutes.
class SampleHistory {
public:
    // Ten minutes of 10 ms ticks, and at most 16 MB of samples however many channels (up to
    // 64 channels hold the ten minutes; 256 hold 2 3/4 minutes).
    static constexpr std::size_t kMostTicks = 60'000;
    static constexpr std::size_t kMostValues = std::size_t{4} * 1024 * 1024;

    enum class MarkKind { AlarmSound, Email };
    struct Mark {
        double seconds;
        MarkKind kind;
    };

    // One tick: `seconds` on the run's clock, the scan of `block` that is current, and bit n
    // set for each active slot n. A change of the channel count starts the history afresh.
    void Record(double seconds, const SampleBlock& block, int scan, std::uint16_t active_slots);
    void AddMark(double seconds, MarkKind kind);

    // Ticks held, 0 being the oldest.
    std::size_t Size() const { return size_; }
    int Channels() const { return channels_; }
    // Ticks recorded since the start, to tell a viewer whether anything is new.
    std::uint64_t Recorded() const { return recorded_; }
    double SecondsAt(std::size_t tick) const { return seconds_[Slot(tick)]; }
    float ValueAt(std::size_t tick, int channel) const {
        return RowAt(tick)[static_cast<std::size_t>(channel)];
    }
    // The tick's samples, channel 0 first: one row in memory.
    const float* RowAt(std::size_t tick) const {
        return values_.data() + Slot(tick) * static_cast<std::size_t>(channels_);
    }
    std::uint16_t ActiveSlotsAt(std::size_t tick) const { return active_[Slot(tick)]; }
    // The marks of the ticks held, oldest first.
    std::vector<Mark> Marks() const;

private:
    void Reset(int channels);
    std::size_t Slot(std::size_t tick) const { return (first_ + tick) % capacity_; }

    int channels_ = -1;
    std::size_t capacity_ = 0;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
    std::uint64_t recorded_ = 0;
    std::vector<double> seconds_;
    std::vector<float> values_;
    std::vector<std::uint16_t> active_;
    std::vector<Mark> marks_;
};

}  // namespace quillon
