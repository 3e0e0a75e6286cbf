// SPDX-License-Identifier: MIT
#include "platform/linux/file_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace quillon {
namespace {

constexpr std::chrono::milliseconds kRetryPause{20};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& path,
                                          std::chrono::milliseconds patience, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = "cannot read " + path.string() + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat locked {};
            struct stat named {};
            if (::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &named) == 0 &&
                SameFile(locked, named)) {
                return FileLock(fd, locked);
            }
            ::close(fd);  // replaced while we waited: lock the file the path names now
            continue;
        }
        const int reason = errno;
        ::close(fd);
        if (reason != EWOULDBLOCK && reason != EINTR) {
            error = "cannot lock " + path.string() + ": " + std::strerror(reason);
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = path.string() + " is locked by another program; gave up after " +
                    std::to_string(patience.count() / 1000) + " s";
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), status_(other.status_) {
    other.fd_ = -1;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace quillon
