// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

namespace quillon {

// Local time with milliseconds, "2026-12-08 05:40:01.123", for the console lines.
std::string Timestamp(
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

}  // namespace quillon
