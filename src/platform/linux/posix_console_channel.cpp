// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/console_channel.hpp"

namespace quillon {
namespace {

// A pipe, terminal or socket in non-blocking mode; a file never waits for a reader.
class PosixConsoleChannel final : public ConsoleChannel {
public:
    explicit PosixConsoleChannel(int fd) : fd_(fd) {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) {
            return;  // a closed descriptor fails at the first write
        }
        if (S_ISSOCK(status.st_mode)) {
            socket_ = true;  // written with MSG_DONTWAIT
            return;
        }
        // A description of its own for a pipe or a terminal: O_NONBLOCK on the shared one
        // would reach the shell and every other program that writes to the same terminal.
        const std::string own = "/proc/self/fd/" + std::to_string(fd);
        const int reopened = ::open(own.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (reopened >= 0) {
            fd_ = reopened;
            own_descriptor_ = true;
            return;
        }
        // Last resort (no /proc, or a pipe whose reader has gone): the shared description, put
        // back as it was at the end.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0 && (flags & O_NONBLOCK) == 0 &&
            ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
            shared_flags_to_restore_ = flags;
        }
    }

    ~PosixConsoleChannel() override {
        if (own_descriptor_) {
            ::close(fd_);
        } else if (shared_flags_to_restore_ >= 0) {
            ::fcntl(fd_, F_SETFL, shared_flags_to_restore_);
        }
    }
    PosixConsoleChannel(const PosixConsoleChannel&) = delete;
    PosixConsoleChannel& operator=(const PosixConsoleChannel&) = delete;

    long WriteSome(const char* data, std::size_t size) override {
        if (socket_) {
            return ::send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        }
        return ::write(fd_, data, size);
    }

    void WaitWritable(std::chrono::milliseconds patience) override {
        pollfd writable{fd_, POLLOUT, 0};
        ::poll(&writable, 1, static_cast<int>(patience.count()));
    }

private:
    int fd_;
    bool own_descriptor_ = false;
    bool socket_ = false;
    int shared_flags_to_restore_ = -1;
};

}  // namespace

std::unique_ptr<ConsoleChannel> OpenConsoleChannel(int fd) {
    return std::make_unique<PosixConsoleChannel>(fd);
}

}  // namespace quillon
