// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillon {

// The whole of a file's bytes; an empty file is an empty text. Without the file, or when it
// cannot be read: nothing, and `error` says why ("<path>: <reason>").
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string& error);

}  // namespace quillon
