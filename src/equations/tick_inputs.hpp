// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

#include "host/host_control.hpp"
#include "host/sample_block.hpp"
#include "host/window_block.hpp"

namespace quillon {

// What a scan tick gives token substitution: the blocks it read and the run-wide values fixed
// at Start. Scan `history_depth` of `samples` is the current one.
struct TickInputs {
    const SampleBlock& samples;
    const WindowBlock& window;
    int history_depth;
    bool statistics_in_use;
    std::int16_t data_window;
    HostControl& host;
};

// The sample at (channel, scan), or SubstitutionError when the block does not hold it.
double CheckedSample(const SampleBlock& block, int channel, int scan);

// `value` when it is a number, otherwise SubstitutionError naming the token, its channel and
// the value: an input over range or broken fails its slot with a reason one can act on,
// instead of the text "inf" that the evaluator would not know.
double FiniteSample(double value, std::string_view token, int channel);
double FiniteStatistic(double value, std::string_view token, int channel);
double FiniteHostValue(double value);

}  // namespace quillon
