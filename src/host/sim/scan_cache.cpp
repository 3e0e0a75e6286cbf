// SPDX-License-Identifier: MIT
#include "host/sim/scan_cache.hpp"

namespace quillon::sim {

ScanCache::ScanCache(const Scenario& scenario)
    : scenario_(scenario), channels_(scenario.channels.size()) {}

void ScanCache::Reserve(int scans) {
    const auto wanted = static_cast<std::size_t>(scans < 1 ? 1 : scans);
    if (wanted <= capacity_) {
        return;
    }
    capacity_ = wanted;
    rows_.assign(capacity_ * channels_, 0.0);
    row_scan_.assign(capacity_, -1);
}

const double* ScanCache::Row(std::int64_t scan) {
    const auto slot = static_cast<std::size_t>(scan) % capacity_;
    double* row = rows_.data() + slot * channels_;
    if (row_scan_[slot] != scan) {
        for (std::size_t channel = 0; channel < channels_; ++channel) {
            row[channel] = scenario_.channels[channel].waveform.ValueAt(scan, scenario_.scan_rate);
        }
        row_scan_[slot] = scan;
    }
    return row;
}

}  // namespace quillon::sim
