// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace quillon {

// An exclusive advisory lock on a data file itself, created empty when missing. It is taken
// on a read-only descriptor, so every user who may read the file can take it, and a save that
// replaces the file by rename leaves waiting processes on the old file: they find that the
// path names another file and lock that one instead.
class FileLock {
public:
    // Waits at most `patience` for another holder; nothing, with the reason, on failure.
    static std::optional<FileLock> Acquire(const std::filesystem::path& path,
                                           std::chrono::milliseconds patience, std::string& error);
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();  // closing releases the lock

    // Open for reading, positioned anywhere.
    int Descriptor() const { return fd_; }
    // The locked file as it was when the lock was taken.
    const struct stat& Status() const { return status_; }

private:
    FileLock(int fd, const struct stat& status) : fd_(fd), status_(status) {}

    int fd_;
    struct stat status_;
};

}  // namespace quillon
