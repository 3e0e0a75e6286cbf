// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "host/host_control.hpp"
#include "host/window_block.hpp"

namespace quillon {

// One statistic over the last `data_window` scans of the window block: statistic numbers 0 to
// 4 take a channel, 5 ("dig") a bit of the digital-input channel's newest sample, 6 ("digx")
// that sample whole. Raises SubstitutionError when the block is smaller than the window or
// lacks the channel (or was read without it), or a digital value does not fit 32 bits; host
// failures propagate.
double WindowStatistic(int statistic, int argument, const WindowBlock& window,
                       std::int16_t data_window, HostControl& host);

}  // namespace quillon
