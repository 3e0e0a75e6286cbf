// SPDX-License-Identifier: MIT
#include "events/iso_time.hpp"

#include <cstdio>
#include <ctime>

#include "platform/os_functions.hpp"

namespace quillon {
namespace {

// The zone's offset from the local calendar itself, which every platform fills in.
long OffsetSeconds(const std::tm& local, std::time_t seconds) {
    using namespace std::chrono;
    const sys_days day = year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday;
    const auto local_seconds = day.time_since_epoch() + hours{local.tm_hour} +
                               minutes{local.tm_min} + std::chrono::seconds{local.tm_sec};
    return static_cast<long>(duration_cast<std::chrono::seconds>(local_seconds).count() -
                             static_cast<long long>(seconds));
}

}  // namespace

std::string IsoLocalTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto since_epoch = when.time_since_epoch();
    auto whole = floor<seconds>(since_epoch);
    const auto millis = duration_cast<milliseconds>(since_epoch - whole).count();
    const std::time_t seconds_since_epoch = static_cast<std::time_t>(whole.count());
    const std::tm local = LocalCalendarTime(seconds_since_epoch);
    const long offset = OffsetSeconds(local, seconds_since_epoch);
    const long offset_minutes = (offset < 0 ? -offset : offset) / 60;
    char text[96];
    static_cast<void>(
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                      local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec, static_cast<int>(millis), offset < 0 ? '-' : '+',
                      offset_minutes / 60, offset_minutes % 60));
    return text;
}

std::string_view IsoTimeFormatter::Format(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto since_epoch = when.time_since_epoch();
    const auto whole = floor<seconds>(since_epoch);
    if (whole.count() != second_ || text_.empty()) {
        text_ = IsoLocalTime(when);
        second_ = whole.count();
        millis_at_ = text_.rfind('.') + 1;
        return text_;
    }
    const auto millis = static_cast<int>(duration_cast<milliseconds>(since_epoch - whole).count());
    text_[millis_at_] = static_cast<char>('0' + millis / 100);
    text_[millis_at_ + 1] = static_cast<char>('0' + millis / 10 % 10);
    text_[millis_at_ + 2] = static_cast<char>('0' + millis % 10);
    return text_;
}

}  // namespace quillon
