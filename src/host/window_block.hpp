// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "host/sample_block.hpp"

namespace quillon {

// The window read for the statistics: the last scans of only the channels the equations take
// statistics of, each channel's scans contiguous and oldest first, and the newest scan of
// every channel (the digital input's reading). Storage is reused between reads.
class WindowBlock {
public:
    WindowBlock() = default;
    WindowBlock(int channels, int scans) { Resize(channels, scans); }

    // Which channels the next reads keep whole: all of them, or those listed (ascending).
    void SelectAll();
    void Select(std::vector<std::int16_t> channels);
    bool SelectsAll() const { return all_; }
    const std::vector<std::int16_t>& Selected() const { return selected_; }

    // Shapes the block for a read of `scans` scans of `channels` channels, all of them new.
    void Resize(int channels, int scans);
    // For a host that numbers its scans: a read of `scans` scans ending with scan `newest`.
    // When the last read had the same shape and both windows are the scans before their
    // newest (`slides`: no stand-in scans that change from read to read), the block keeps the
    // scans the two share and returns how many newer ones the host must write through
    // FreshSeries; otherwise it is reshaped and all `scans` are fresh.
    int BeginRead(int channels, int scans, std::int64_t newest, bool slides);
    // Where a held channel's fresh scans go, oldest first: the end of its series.
    double* FreshSeries(int channel) { return SeriesData(channel) + (scans_ - fresh_); }
    int Channels() const { return channels_; }
    int Scans() const { return scans_; }

    bool Holds(int channel) const {
        return channel >= 0 && channel < channels_ &&
               row_of_[static_cast<std::size_t>(channel)] >= 0;
    }
    // The held channels, ascending, for a host that fills the block.
    const std::vector<std::int16_t>& HeldChannels() const { return held_; }
    // A held channel's scans, oldest first.
    std::span<const double> Series(int channel) const {
        return {series_.data() + Offset(channel), static_cast<std::size_t>(scans_)};
    }
    double* SeriesData(int channel) { return series_.data() + Offset(channel); }
    // The newest scan of any channel.
    double Newest(int channel) const { return newest_[static_cast<std::size_t>(channel)]; }
    double* NewestScan() { return newest_.data(); }

    // The smallest (largest) sample of a held channel's whole window, the oldest of equal
    // ones, skipping NaN; nothing when every sample is NaN. Kept up to date as reads slide, in
    // constant time per new scan, amortised.
    std::optional<double> SlidingMinimum(int channel) const { return Extreme(channel, false); }
    std::optional<double> SlidingMaximum(int channel) const { return Extreme(channel, true); }

    // A held channel's sample, or any channel's newest.
    double At(int channel, int scan) const;
    // Stores a sample where the block keeps it (the series of a held channel, the newest scan).
    void Set(int channel, int scan, double value);
    // Takes what is selected from a block as a plain read fills it.
    void CopyFrom(const SampleBlock& block);
    // Room for that plain read.
    SampleBlock& Staging() { return staging_; }

private:
    std::size_t Offset(int channel) const {
        return static_cast<std::size_t>(row_of_[static_cast<std::size_t>(channel)]) * capacity_ +
               start_;
    }
    void Slide(int fresh);
    std::optional<double> Extreme(int channel, bool largest) const;

    // Candidates for a channel's extreme: positions in the stream of scans the block has taken,
    // each value strictly better than those before it in the deque.
    struct Extremes {
        std::deque<std::pair<std::int64_t, double>> candidates;
        std::int64_t taken = 0;  // stream positions looked at so far
    };

    bool all_ = true;
    bool reshape_ = true;  // the selection changed since the last Resize
    std::vector<std::int16_t> selected_;
    int channels_ = 0;
    int scans_ = 0;
    std::vector<int> row_of_;  // per channel its row in series_, or -1
    std::vector<std::int16_t> held_;
    // Each held channel has a row of capacity_ values, its series starting at start_: a read
    // that slides appends behind the series and moves it to the row's front only when the
    // row is full, so every series stays in one piece.
    std::size_t capacity_ = 0;
    std::size_t start_ = 0;
    int fresh_ = 0;
    std::int64_t newest_scan_ = -1;  // the number of the newest scan, -1 when not numbered
    bool slides_ = false;
    std::vector<double> series_;
    std::int64_t streamed_ = 0;  // scans taken since the last reshape, stand-ins included
    mutable std::vector<Extremes> minima_;
    mutable std::vector<Extremes> maxima_;
    std::vector<double> newest_;
    SampleBlock staging_;
};

}  // namespace quillon
