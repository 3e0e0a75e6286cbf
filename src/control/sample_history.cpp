// SPDX-License-Identifier: MIT
#include "control/sample_history.hpp"

#include <algorithm>

namespace quillon {

void SampleHistory::Reset(int channels) {
    channels_ = channels;
    const std::size_t per_tick = static_cast<std::size_t>(std::max(channels, 1));
    capacity_ = std::min(kMostTicks, kMostValues / per_tick);
    seconds_.assign(capacity_, 0.0);
    values_.assign(capacity_ * static_cast<std::size_t>(channels), 0.0F);
    active_.assign(capacity_, 0);
    marks_.clear();
    first_ = 0;
    size_ = 0;
}

void SampleHistory::Record(double seconds, const SampleBlock& block, int scan,
                           std::uint16_t active_slots) {
    if (block.Channels() != channels_) {
        Reset(block.Channels());
    }
    if (scan < 0 || scan >= block.Scans()) {
        return;
    }
    if (size_ == capacity_) {
        first_ = (first_ + 1) % capacity_;
        --size_;
    }
    const std::size_t slot = Slot(size_);
    seconds_[slot] = seconds;
    active_[slot] = active_slots;
    float* row = values_.data() + slot * static_cast<std::size_t>(channels_);
    for (int channel = 0; channel < channels_; ++channel) {
        row[channel] = static_cast<float>(block.At(channel, scan));
    }
    ++size_;
    ++recorded_;
}

void SampleHistory::AddMark(double seconds, MarkKind kind) {
    marks_.push_back({seconds, kind});
    // Marks older than the oldest tick held are of no use to anyone.
    if (size_ > 0 && marks_.size() > capacity_) {
        const double oldest = SecondsAt(0);
        std::erase_if(marks_, [oldest](const Mark& mark) { return mark.seconds < oldest; });
    }
}

std::vector<SampleHistory::Mark> SampleHistory::Marks() const {
    if (size_ == 0) {
        return {};
    }
    const double oldest = SecondsAt(0);
    std::vector<Mark> held;
    std::copy_if(marks_.begin(), marks_.end(), std::back_inserter(held),
                 [oldest](const Mark& mark) { return mark.seconds >= oldest; });
    return held;
}

}  // namespace quillon
