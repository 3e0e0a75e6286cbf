// SPDX-License-Identifier: MIT
#include "utility/whole_file.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quillon {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        const int reason = errno;  // before the message is built
        error = path.string() + ": " + std::strerror(reason);
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = path.string() + ": cannot read";
        return std::nullopt;
    }
    return text;
}

}  // namespace quillon
