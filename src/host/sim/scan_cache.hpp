// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "host/sim/scenario.hpp"

namespace quillon::sim {

// The channel values of the newest scans, each computed once: consecutive reads of a long
// window overlap in all but the few scans taken in between.
class ScanCache {
public:
    explicit ScanCache(const Scenario& scenario);

    // Keeps at least this many of the newest scans.
    void Reserve(int scans);
    // The values of scan `scan`, channel 0 first; valid until the next call.
    const double* Row(std::int64_t scan);

private:
    const Scenario& scenario_;
    std::size_t channels_;
    std::size_t capacity_ = 0;
    std::vector<double> rows_;
    std::vector<std::int64_t> row_scan_;  // which scan each row holds, -1 for none
};

}  // namespace quillon::sim
