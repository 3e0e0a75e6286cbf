// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillon::testing {

// A fresh directory under the system's temporary directory, removed with its files.
class TempDirectory {
public:
    TempDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes a file with these permissions and returns its path.
    std::string Write(const std::string& name, const std::string& text, mode_t mode = 0644) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << text;
        chmod(file.c_str(), mode);
        return file.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace quillon::testing
