// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
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

    // Shapes the block for a read of `scans` scans of `channels` channels.
    void Resize(int channels, int scans);
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
        return static_cast<std::size_t>(row_of_[static_cast<std::size_t>(channel)]) *
               static_cast<std::size_t>(scans_);
    }

    bool all_ = true;
    bool reshape_ = true;  // the selection changed since the last Resize
    std::vector<std::int16_t> selected_;
    int channels_ = 0;
    int scans_ = 0;
    std::vector<int> row_of_;  // per channel its row in series_, or -1
    std::vector<std::int16_t> held_;
    std::vector<double> series_;
    std::vector<double> newest_;
    SampleBlock staging_;
};

}  // namespace quillon
