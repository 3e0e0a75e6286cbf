// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quillon {

// Local time in ISO 8601 with milliseconds and the zone's offset:
// "2026-12-08T05:40:01.123+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point when);

// The same text for a stream of moments, the calendar looked up once a second (the zone's
// offset changes on a whole second): an event line's time costs no calendar lookup and no
// allocation while its second is the last one's.
class IsoTimeFormatter {
public:
    // Valid until the next call.
    std::string_view Format(std::chrono::system_clock::time_point when);

private:
    std::int64_t second_ = std::numeric_limits<std::int64_t>::min();
    std::string text_;
    std::size_t millis_at_ = 0;  // where the three digits of the milliseconds stand
};

}  // namespace quillon
