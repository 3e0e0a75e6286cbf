// SPDX-License-Identifier: MIT
#include "platform/os_functions.hpp"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdlib>

namespace quillon {

std::filesystem::path UserStateFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    if (local != nullptr && *local != '\0') {
        return std::filesystem::path(local) / "Quillon";
    }
    return std::filesystem::temp_directory_path() / "Quillon";
}

std::tm LocalCalendarTime(std::time_t seconds) {
    std::tm local{};
    localtime_s(&local, &seconds);
    return local;
}

int OpenForReading(const std::string& path) {
    // Binary: the C runtime would otherwise turn CR LF into LF. Not inherited by the e-mail
    // agents.
    return ::_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int OpenForAppending(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
}

}  // namespace quillon
