// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

namespace quillon {

// One console output (standard output or standard error) as the platform writes it: without
// making the caller wait where the platform allows that.
class ConsoleChannel {
public:
    virtual ~ConsoleChannel() = default;
    // The bytes taken; -1 with errno set on failure, EAGAIN when the reader has not taken the
    // last lines yet.
    virtual long WriteSome(const char* data, std::size_t size) = 0;
    // Waits up to `patience` until the reader can take more.
    virtual void WaitWritable(std::chrono::milliseconds patience) = 0;
};

// The channel for descriptor 1 or 2.
std::unique_ptr<ConsoleChannel> OpenConsoleChannel(int fd);

}  // namespace quillon
