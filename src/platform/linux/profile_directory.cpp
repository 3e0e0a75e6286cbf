// SPDX-License-Identifier: MIT
#include "platform/linux/profile_directory.hpp"

#include <cstdlib>

namespace quillon {
namespace {

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path ProfileDirectory() {
    if (const char* dir = NonEmptyVariable(kProfileDirectoryVariable)) {
        return dir;
    }
    if (const char* xdg = NonEmptyVariable("XDG_CONFIG_HOME")) {
        return std::filesystem::path(xdg) / "quillon";
    }
    if (const char* home = NonEmptyVariable("HOME")) {
        return std::filesystem::path(home) / ".config" / "quillon";
    }
    return std::filesystem::current_path() / ".quillon";
}

}  // namespace quillon
