// SPDX-License-Identifier: MIT
#include "host/window_block.hpp"

#include <algorithm>

namespace quillon {

void WindowBlock::SelectAll() {
    all_ = true;
    selected_.clear();
    reshape_ = true;
}

void WindowBlock::Select(std::vector<std::int16_t> channels) {
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    all_ = false;
    selected_ = std::move(channels);
    reshape_ = true;
}

void WindowBlock::Resize(int channels, int scans) {
    channels = std::max(channels, 0);
    scans = std::max(scans, 0);
    if (reshape_ || channels != channels_) {
        reshape_ = false;
        row_of_.assign(static_cast<std::size_t>(channels), -1);
        held_.clear();
        for (int c = 0; c < channels; ++c) {
            if (all_ || std::binary_search(selected_.begin(), selected_.end(), c)) {
                row_of_[static_cast<std::size_t>(c)] = static_cast<int>(held_.size());
                held_.push_back(static_cast<std::int16_t>(c));
            }
        }
    }
    channels_ = channels;
    scans_ = scans;
    series_.resize(held_.size() * static_cast<std::size_t>(scans));
    newest_.resize(static_cast<std::size_t>(channels));
}

double WindowBlock::At(int channel, int scan) const {
    if (Holds(channel)) {
        return Series(channel)[static_cast<std::size_t>(scan)];
    }
    return Newest(channel);
}

void WindowBlock::Set(int channel, int scan, double value) {
    if (Holds(channel)) {
        SeriesData(channel)[scan] = value;
    }
    if (scan == scans_ - 1) {
        newest_[static_cast<std::size_t>(channel)] = value;
    }
}

void WindowBlock::CopyFrom(const SampleBlock& block) {
    Resize(block.Channels(), block.Scans());
    for (const std::int16_t channel : held_) {
        double* series = SeriesData(channel);
        for (int scan = 0; scan < scans_; ++scan) {
            series[scan] = block.At(channel, scan);
        }
    }
    for (int channel = 0; scans_ > 0 && channel < channels_; ++channel) {
        newest_[static_cast<std::size_t>(channel)] = block.At(channel, scans_ - 1);
    }
}

}  // namespace quillon
