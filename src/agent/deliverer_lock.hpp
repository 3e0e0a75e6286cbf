// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace quillon::agent {

// One deliverer at a time: an advisory lock on a file that also holds the deliverer's
// process id. The lock lives as long as any process holds the descriptor, so it passes to a
// forked child when the parent ends.
class DelivererLock {
public:
    // The lock, or nothing when another process holds it (or, with `error`, when the file
    // could not be opened).
    static std::optional<DelivererLock> TryAcquire(const std::filesystem::path& path,
                                                   std::string& error);
    // The deliverer's process id while one holds the lock.
    static std::optional<pid_t> Holder(const std::filesystem::path& path);

    DelivererLock(DelivererLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    DelivererLock& operator=(DelivererLock&&) = delete;
    DelivererLock(const DelivererLock&) = delete;
    DelivererLock& operator=(const DelivererLock&) = delete;
    // Closes this process's descriptor; the lock ends with the last one.
    ~DelivererLock();

    // Writes this process's id, after a fork gave the lock to a child.
    void NameHolder() const;

private:
    explicit DelivererLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace quillon::agent
