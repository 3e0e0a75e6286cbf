// SPDX-License-Identifier: MIT
#include "agent/deliverer_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::agent {

std::optional<DelivererLock> DelivererLock::TryAcquire(const std::filesystem::path& path,
                                                       std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot open " + path.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return std::nullopt;
    }
    DelivererLock lock(fd);
    lock.NameHolder();
    return lock;
}

std::optional<pid_t> DelivererLock::Holder(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<pid_t> holder;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        char text[32] = {};
        const ssize_t count = pread(fd, text, sizeof text - 1, 0);
        holder = count > 0 ? static_cast<pid_t>(std::atoi(text)) : 0;
    }
    close(fd);
    return holder;
}

DelivererLock::~DelivererLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void DelivererLock::NameHolder() const {
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd_, 0) == 0) {
        [[maybe_unused]] const ssize_t written = pwrite(fd_, pid.data(), pid.size(), 0);
    }
}

}  // namespace quillon::agent
