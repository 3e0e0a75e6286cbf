// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

namespace quillon {

// Local time in ISO 8601 with milliseconds and the zone's offset:
// "2026-12-08T05:40:01.123+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point when);

}  // namespace quillon
