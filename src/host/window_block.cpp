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
    fresh_ = scans;
    newest_scan_ = -1;
    start_ = 0;
    capacity_ = static_cast<std::size_t>(scans) + static_cast<std::size_t>(std::max(scans / 4, 16));
    series_.resize(held_.size() * capacity_);
    newest_.resize(static_cast<std::size_t>(channels));
    streamed_ = scans;
    minima_.assign(held_.size(), Extremes{});
    maxima_.assign(held_.size(), Extremes{});
}

int WindowBlock::BeginRead(int channels, int scans, std::int64_t newest, bool slides) {
    const bool continues = slides && slides_ && !reshape_ && channels == channels_ &&
                           scans == scans_ && newest_scan_ >= 0 && newest >= newest_scan_ &&
                           newest - newest_scan_ < scans;
    if (continues) {
        Slide(static_cast<int>(newest - newest_scan_));
    } else {
        Resize(channels, scans);
    }
    newest_scan_ = newest;
    slides_ = slides;
    return fresh_;
}

// Drops the `fresh` oldest scans of every series and makes room for as many new ones.
void WindowBlock::Slide(int fresh) {
    fresh_ = fresh;
    streamed_ += fresh;
    const auto kept = static_cast<std::size_t>(scans_ - fresh);
    if (start_ + static_cast<std::size_t>(scans_) + static_cast<std::size_t>(fresh) > capacity_) {
        for (std::size_t row = 0; row < held_.size(); ++row) {
            double* front = series_.data() + row * capacity_;
            std::copy_n(front + start_ + static_cast<std::size_t>(fresh), kept, front);
        }
        start_ = 0;
        return;
    }
    start_ += static_cast<std::size_t>(fresh);
}

// Takes in the scans streamed since the last call (the end of the series), then lets go of
// those that left the window.
std::optional<double> WindowBlock::Extreme(int channel, bool largest) const {
    const auto row = static_cast<std::size_t>(row_of_[static_cast<std::size_t>(channel)]);
    Extremes& extremes = (largest ? maxima_ : minima_)[row];
    const std::int64_t first_held = streamed_ - scans_;
    if (extremes.taken < first_held) {
        extremes.candidates.clear();
        extremes.taken = first_held;
    }
    const std::span<const double> series = Series(channel);
    for (; extremes.taken < streamed_; ++extremes.taken) {
        const double value = series[static_cast<std::size_t>(extremes.taken - first_held)];
        if (value != value) {
            continue;  // NaN is never an extreme
        }
        while (!extremes.candidates.empty() &&
               (largest ? extremes.candidates.back().second < value
                        : extremes.candidates.back().second > value)) {
            extremes.candidates.pop_back();
        }
        extremes.candidates.emplace_back(extremes.taken, value);
    }
    while (!extremes.candidates.empty() && extremes.candidates.front().first < first_held) {
        extremes.candidates.pop_front();
    }
    if (extremes.candidates.empty()) {
        return std::nullopt;
    }
    return extremes.candidates.front().second;
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
        const auto row = static_cast<std::size_t>(row_of_[static_cast<std::size_t>(channel)]);
        minima_[row] = Extremes{};  // looked at afresh
        maxima_[row] = Extremes{};
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
