// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>

namespace quillon {

// Where bare-named profile files live: $QUILLON_CONFIG_DIR when set, otherwise
// $XDG_CONFIG_HOME/quillon, otherwise ~/.config/quillon.
std::filesystem::path ProfileDirectory();

inline constexpr const char* kProfileDirectoryVariable = "QUILLON_CONFIG_DIR";

}  // namespace quillon
