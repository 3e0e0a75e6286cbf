// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "host/host_control.hpp"
#include "host/sample_block.hpp"

namespace quillon {

// What a scan tick gives token substitution: the blocks it read and the run-wide values fixed
// at Start. Scan `history_depth` of `samples` is the current one.
struct TickInputs {
    const SampleBlock& samples;
    const SampleBlock& window;
    int history_depth;
    bool statistics_in_use;
    std::int16_t data_window;
    HostControl& host;
};

// The sample at (channel, scan), or SubstitutionError when the block does not hold it.
double CheckedSample(const SampleBlock& block, int channel, int scan);

}  // namespace quillon
