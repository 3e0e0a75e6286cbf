// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

namespace quillon {

// `when` in the user's time zone, as std::put_time writes `format` ("%H:%M:%S").
std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format);

}  // namespace quillon
