// SPDX-License-Identifier: MIT
#include "platform/local_time.hpp"

#include <ctime>
#include <iomanip>
#include <sstream>

#include "platform/os_functions.hpp"

namespace quillon {

std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const std::tm local = LocalCalendarTime(seconds);
    std::ostringstream text;
    text << std::put_time(&local, format);
    return text.str();
}

}  // namespace quillon
