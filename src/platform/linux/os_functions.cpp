// SPDX-License-Identifier: MIT
#include "platform/os_functions.hpp"

#include <fcntl.h>

#include <cstdlib>

namespace quillon {
namespace {

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path UserStateFolder() {
    if (const char* state = NonEmptyVariable("XDG_STATE_HOME")) {
        return std::filesystem::path(state) / "quillon";
    }
    if (const char* home = NonEmptyVariable("HOME")) {
        return std::filesystem::path(home) / ".local" / "state" / "quillon";
    }
    return std::filesystem::current_path() / ".quillon-state";
}

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
