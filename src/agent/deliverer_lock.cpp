// SPDX-License-Identifier: MIT
#include "agent/deliverer_lock.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "agent/printable_text.hpp"

namespace quillon::agent {
namespace {

struct flock WholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

std::string Unusable(const std::filesystem::path& path) {
    return "cannot open " + path.string() + ": " + std::strerror(errno) +
           " (no deliverer can run until it is removed or made the user's own)";
}

}  // namespace

std::optional<DelivererLock> DelivererLock::TryAcquire(const std::filesystem::path& path,
                                                       std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = Unusable(path);
        return std::nullopt;
    }
    struct flock lock = WholeFile(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno != EAGAIN && errno != EACCES) {
            error = "cannot lock " + path.string() + ": " + std::strerror(errno);
        }
        close(fd);
        return std::nullopt;
    }
    DelivererLock held(fd);
    held.NameHolder();
    return held;
}

std::optional<pid_t> DelivererLock::Holder(const std::filesystem::path& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            error = Unusable(path);
        }
        return std::nullopt;
    }
    std::optional<pid_t> holder;
    struct flock probe = WholeFile(F_WRLCK);
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0) {
        error = "cannot test the lock " + path.string() + ": " + std::strerror(errno);
    } else if (probe.l_type != F_UNLCK) {
        char text[32] = {};
        const ssize_t count = pread(fd, text, sizeof text - 1, 0);
        const std::string digits(text, count > 0 ? static_cast<std::size_t>(count) : 0);
        const std::optional<long long> pid = WholeInteger(digits.substr(0, digits.find('\n')));
        holder = pid && *pid > 0 && *pid < (1LL << 31) ? static_cast<pid_t>(*pid) : 0;
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
