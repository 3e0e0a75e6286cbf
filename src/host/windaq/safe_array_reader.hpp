// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "host/sample_block.hpp"

namespace quillon::windaq {

// Copies the scans that dispatch id 20 returns, a two-dimensional array indexed (channel,
// scan) with the newest scan last, into `block` in one pass: whatever the array's lower
// bounds, and whether its elements are variants, doubles, floats or integers. Anything else
// raises HostError.
void ReadScanArray(const VARIANT& value, SampleBlock& block);

}  // namespace quillon::windaq
