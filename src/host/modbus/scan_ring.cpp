// SPDX-License-Identifier: MIT
#include "host/modbus/scan_ring.hpp"

#include <algorithm>

namespace quillon::modbus {

ScanRing::ScanRing(int values_per_scan, int capacity)
    : values_(values_per_scan),
      capacity_(capacity),
      storage_(static_cast<std::size_t>(values_per_scan) * static_cast<std::size_t>(capacity)) {}

void ScanRing::Push(const double* scan, Time arrived) {
    {
        const std::lock_guard lock(mutex_);
        const auto slot = static_cast<std::size_t>(pushed_ % capacity_);
        std::copy_n(scan, values_, storage_.begin() + static_cast<std::ptrdiff_t>(slot * values_));
        ++pushed_;
        ++health_.polls;
        health_.newest_scan = arrived;
        health_.failure.reset();
        health_.refused = false;
    }
    news_.notify_all();
}

namespace {

constexpr std::chrono::minutes kCountedPeriod{1};

int CountSince(const std::deque<ScanRing::Time>& times, ScanRing::Time since) {
    return static_cast<int>(times.end() - std::upper_bound(times.begin(), times.end(), since));
}

}  // namespace

void ScanRing::ReportFailure(const std::string& failure, Time when, bool refused) {
    const std::lock_guard lock(mutex_);
    health_.failure = failure;
    health_.refused = refused;
    health_.failed_at = when;
    std::deque<Time>& times = refused ? refusals_ : losses_;
    (refused ? health_.last_refusal : health_.last_loss) = failure;
    times.push_back(when);
    while (!times.empty() && times.front() < when - kCountedPeriod) {
        times.pop_front();
    }
    news_.notify_all();
}

void ScanRing::WaitForNews(Time since, Time until) const {
    std::unique_lock lock(mutex_);
    news_.wait_until(lock, until, [&] {
        return (health_.newest_scan && *health_.newest_scan >= since) ||
               (health_.failed_at && *health_.failed_at >= since);
    });
}

void ScanRing::CountLatePoll() {
    const std::lock_guard lock(mutex_);
    ++health_.late_polls;
}

bool ScanRing::CopyNewest(int scans, SampleBlock& block) const {
    const std::lock_guard lock(mutex_);
    if (pushed_ == 0) {
        return false;
    }
    block.Resize(values_, scans);
    for (int position = 0; position < scans; ++position) {
        std::copy_n(Row(ScanAt(position, scans)), values_, block.Scan(position));
    }
    return true;
}

// Under the lock only what the window lacks is copied: the scans pushed since its last read,
// of the channels it keeps. A window that reaches back past the oldest scan kept (which
// stands in for older ones) is copied whole once the ring has wrapped.
bool ScanRing::CopyNewest(int scans, WindowBlock& block) const {
    const std::lock_guard lock(mutex_);
    if (pushed_ == 0) {
        return false;
    }
    const std::int64_t newest = pushed_ - 1;
    const bool slides = pushed_ <= capacity_ || newest - (scans - 1) >= pushed_ - capacity_;
    const int fresh = block.BeginRead(values_, scans, newest, slides);
    const std::vector<std::int16_t>& held = block.HeldChannels();
    fresh_series_.resize(held.size());
    for (std::size_t i = 0; i < held.size(); ++i) {
        fresh_series_[i] = block.FreshSeries(held[i]);
    }
    for (int i = 0; i < fresh; ++i) {
        const double* row = Row(ScanAt(scans - fresh + i, scans));
        for (std::size_t h = 0; h < held.size(); ++h) {
            fresh_series_[h][i] = row[held[h]];
        }
    }
    if (scans > 0) {
        std::copy_n(Row(ScanAt(scans - 1, scans)), values_, block.NewestScan());
    }
    return true;
}

// The scan at `position` of a read of `scans`: before that many exist, the oldest kept one
// stands in for the missing ones.
std::int64_t ScanRing::ScanAt(int position, int scans) const {
    const std::int64_t oldest_kept = std::max<std::int64_t>(0, pushed_ - capacity_);
    return std::max(oldest_kept, pushed_ - 1 - static_cast<std::int64_t>(scans - 1 - position));
}

ScanRing::Health ScanRing::CurrentHealth(Time now) const {
    const std::lock_guard lock(mutex_);
    Health health = health_;
    health.refused_last_minute = CountSince(refusals_, now - kCountedPeriod);
    health.failed_last_minute = CountSince(losses_, now - kCountedPeriod);
    return health;
}

const double* ScanRing::Row(std::int64_t scan) const {
    return storage_.data() + static_cast<std::size_t>(scan % capacity_) * values_;
}

}  // namespace quillon::modbus
