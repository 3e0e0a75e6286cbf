// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quillon {

// A block of scans as the host returns it: indexed (channel, scan), newest scan at the highest
// index. Storage is reused between reads so that the 10 ms tick does not allocate.
class SampleBlock {
public:
    SampleBlock() = default;
    SampleBlock(int channels, int scans) { Resize(channels, scans); }

    // Keeps the storage: a host read fills every value anyway.
    void Resize(int channels, int scans) {
        channels_ = channels < 0 ? 0 : channels;
        scans_ = scans < 0 ? 0 : scans;
        values_.resize(static_cast<std::size_t>(channels_) * static_cast<std::size_t>(scans_));
    }

    // The scans before the newest need hold only these channels (the ones history tokens
    // read); a host that cannot do better fills every channel anyway. The newest scan always
    // holds every channel.
    void SelectHistory(std::vector<std::int16_t> channels) {
        history_ = std::move(channels);
        all_history_ = false;
    }
    void SelectAllHistory() {
        history_.clear();
        all_history_ = true;
    }
    bool HistoryOfAll() const { return all_history_; }
    const std::vector<std::int16_t>& HistoryChannels() const { return history_; }

    int Channels() const { return channels_; }
    int Scans() const { return scans_; }

    double At(int channel, int scan) const { return values_[Index(channel, scan)]; }
    void Set(int channel, int scan, double value) { values_[Index(channel, scan)] = value; }
    // The values of one scan, channel 0 first.
    double* Scan(int scan) { return values_.data() + Index(0, scan); }

private:
    std::size_t Index(int channel, int scan) const {
        return static_cast<std::size_t>(scan) * static_cast<std::size_t>(channels_) +
               static_cast<std::size_t>(channel);
    }

    int channels_ = 0;
    int scans_ = 0;
    std::vector<double> values_;
    std::vector<std::int16_t> history_;
    bool all_history_ = true;
};

}  // namespace quillon
