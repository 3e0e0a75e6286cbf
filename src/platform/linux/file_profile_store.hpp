// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>

#include "platform/profile_store.hpp"

namespace quillon {

// Profile files in one directory. Several instances share a file, so every write is a
// read-modify-write under an exclusive advisory lock, and the new text replaces the old file
// by rename: a concurrent save of another section is never lost, and a crash mid-save leaves
// the previous file whole.
class FileProfileStore final : public ProfileStore {
public:
    explicit FileProfileStore(std::filesystem::path directory);

    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override;

    std::string LastError() const override { return last_error_; }
    std::filesystem::path PathOf(const std::string& file) const { return directory_ / file; }

private:
    bool WriteLocked(const std::filesystem::path& path, const std::string& section,
                     const std::string& key, const std::string& value);
    bool Fail(const std::string& what);

    std::filesystem::path directory_;
    std::string last_error_;
};

}  // namespace quillon
