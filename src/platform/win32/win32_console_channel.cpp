// SPDX-License-Identifier: MIT
#include <windows.h>

#include <io.h>

#include "platform/console_channel.hpp"

namespace quillon {
namespace {

// A Windows console or pipe has no non-blocking mode for the C runtime's descriptors; a
// console takes its lines at once, and a pipe's reader is the service or script that started
// the program.
class Win32ConsoleChannel final : public ConsoleChannel {
public:
    explicit Win32ConsoleChannel(int fd) : fd_(fd) {}

    long WriteSome(const char* data, std::size_t size) override {
        return ::_write(fd_, data, static_cast<unsigned>(size));
    }
    void WaitWritable(std::chrono::milliseconds /*patience*/) override {}

private:
    int fd_;
};

}  // namespace

std::unique_ptr<ConsoleChannel> OpenConsoleChannel(int fd) {
    return std::make_unique<Win32ConsoleChannel>(fd);
}

}  // namespace quillon
