// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace quillon::agent {

// The mail password, from a file only its owner may read. A file that group or others can
// read is refused: the password would no longer be the owner's secret.
class PasswordFile {
public:
    // The password (first line, without its line end), or nothing with the reason in `error`.
    static std::optional<std::string> Read(const std::string& path, std::string& error);
};

}  // namespace quillon::agent
