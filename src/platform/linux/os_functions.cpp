// SPDX-License-Identifier: MIT
#include "platform/os_functions.hpp"

#include <fcntl.h>

namespace quillon {

std::tm LocalCalendarTime(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

int OpenForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

int OpenForAppending(const std::string& path) {
    // Close-on-exec: the e-mail agents started later must not hold the file open.
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
}

}  // namespace quillon
