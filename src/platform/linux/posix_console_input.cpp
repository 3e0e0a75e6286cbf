// SPDX-License-Identifier: MIT
#include "platform/linux/posix_console_input.hpp"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace quillon {
namespace {

// A line longer than this is not a command; it is cut so that memory stays bounded.
constexpr std::size_t kLongestLine = 4096;

}  // namespace

PosixConsoleInput::PosixConsoleInput(int fd) : fd_(fd), open_(IsTerminalOrPipe(fd)) {}

bool PosixConsoleInput::IsTerminalOrPipe(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return false;
    }
    return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) ||
           (S_ISCHR(status.st_mode) && ::isatty(fd) == 1);
}

std::vector<std::string> PosixConsoleInput::TakeLines() {
    std::vector<std::string> lines;
    pollfd ready{fd_, POLLIN, 0};
    if (!open_ || ::poll(&ready, 1, 0) <= 0) {
        return lines;
    }
    std::array<char, 1024> buffer{};
    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
        open_ = false;  // the writer went away: nothing more will come
        if (!partial_.empty()) {
            lines.push_back(std::move(partial_));
            partial_.clear();
        }
        return lines;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const char c = buffer[static_cast<std::size_t>(i)];
        if (c == '\n') {
            if (!partial_.empty() && partial_.back() == '\r') {
                partial_.pop_back();
            }
            lines.push_back(std::move(partial_));
            partial_.clear();
        } else if (partial_.size() < kLongestLine) {
            partial_ += c;
        }
    }
    return lines;
}

}  // namespace quillon
