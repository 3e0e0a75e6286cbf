// SPDX-License-Identifier: MIT
#include "ui/headless/timestamp.hpp"

#include <iomanip>
#include <sstream>

#include "platform/local_time.hpp"

namespace quillon {

std::string Timestamp(std::chrono::system_clock::time_point when) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) % 1000;
    std::ostringstream text;
    text << LocalTimeText(when, "%Y-%m-%d %H:%M:%S") << '.' << std::setw(3) << std::setfill('0')
         << millis.count();
    return text.str();
}

}  // namespace quillon
