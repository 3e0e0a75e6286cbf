// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/profile_store.hpp"

namespace quillon {

// Profile files in one directory, shared by instances and possibly by users. A save is one
// transaction per section under a lock on the file: read once, apply every key, write once.
// Where it can, it writes a new file and renames it over the old one (a crash leaves the old
// file whole); it writes in place where a rename would break what the user set up: hard links,
// an owner it could not give back, a folder it may not write. It writes through a symbolic
// link to its target, keeps the file's mode and group, and never writes a file the user
// made read-only.
class FileProfileStore final : public ProfileStore {
public:
    // Long enough for another instance's save, short enough that a stuck holder cannot keep
    // a stopping program from ending.
    static constexpr std::chrono::milliseconds kLockPatience{5000};

    explicit FileProfileStore(std::filesystem::path directory,
                              std::chrono::milliseconds lock_patience = kLockPatience);

    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override;
    bool WriteSection(const std::string& file, const std::string& section,
                      const ProfileValues& values) override;
    void RequireReadable(const std::string& file) override;

    std::string LastError() const override { return last_error_; }
    std::filesystem::path PathOf(const std::string& file) const { return directory_ / file; }

private:
    bool Save(const std::filesystem::path& path, const struct stat& status,
              const std::string& text);
    bool ReplaceByRename(const std::filesystem::path& path, const struct stat& status,
                         const std::string& text);
    bool WriteInPlace(const std::filesystem::path& path, const std::string& text);
    bool Fail(const std::string& what);

    std::filesystem::path directory_;
    std::chrono::milliseconds lock_patience_;
    std::string last_error_;
};

}  // namespace quillon
