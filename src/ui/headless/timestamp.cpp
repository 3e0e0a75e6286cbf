// SPDX-License-Identifier: MIT
#include "ui/headless/timestamp.hpp"

#include <ctime>
#include <iomanip>
#include <sstream>

namespace quillon {

std::string Timestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::ostringstream text;
    text << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << '.' << std::setw(3) << std::setfill('0')
         << millis.count();
    return text.str();
}

}  // namespace quillon
