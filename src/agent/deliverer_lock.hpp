// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace quillon::agent {

// One deliverer at a time: an open-file-description lock on a file that also holds the
// deliverer's process id. The lock lives as long as any process holds the descriptor, so it
// passes to a forked child when the parent ends; others can see it without taking it.
class DelivererLock {
public:
    // The lock, or nothing when another process holds it (then `error` stays empty) or when
    // the file cannot be opened or locked (then `error` says why).
    static std::optional<DelivererLock> TryAcquire(const std::filesystem::path& path,
                                                   std::string& error);
    // Whether a deliverer holds the lock, and its process id (0 when unknown), seen without
    // taking the lock. Nothing when none does; `error` says why when the lock is unusable.
    static std::optional<pid_t> Holder(const std::filesystem::path& path, std::string& error);

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
