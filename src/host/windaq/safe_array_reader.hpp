// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "host/sample_block.hpp"
#include "host/window_block.hpp"

namespace quillon::windaq {

// Copies the scans that dispatch id 20 returns, a two-dimensional array indexed (channel,
// scan) with the newest scan last, into `block` in one pass: whatever the array's lower
// bounds, and whether its elements are variants, doubles, floats or integers. Anything else
// raises HostError.
void ReadScanArray(const VARIANT& value, SampleBlock& block);
// The same array into a window block: only the channels it selects are converted whole, and
// the newest scan of every channel.
void ReadScanArray(const VARIANT& value, WindowBlock& block);

}  // namespace quillon::windaq
