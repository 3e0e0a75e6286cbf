// SPDX-License-Identifier: MIT
#include "host/sim/output_log.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "host/output_write_text.hpp"
#include "platform/os_functions.hpp"

namespace quillon::sim {

void OutputLog::Append(double seconds, std::int16_t word, const ProblemListener& report) {
    if (path_.empty() || failed_ || !EnsureOpen(report)) {
        return;
    }
    // One write per line, unbuffered: someone may be watching the file with tail -f.
    const std::string line = OutputWriteText(seconds, word) + '\n';
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(fd_, line.data() + written, line.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            Fail("cannot write", result < 0 ? errno : EIO, report);
            return;
        }
        written += static_cast<std::size_t>(result);
    }
}

OutputLog::~OutputLog() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool OutputLog::EnsureOpen(const ProblemListener& report) {
    if (fd_ >= 0) {
        return true;
    }
    fd_ = OpenForAppending(path_);
    if (fd_ < 0) {
        Fail("cannot open", errno, report);
        return false;
    }
    return true;
}

void OutputLog::Fail(const std::string& action, int reason, const ProblemListener& report) {
    failed_ = true;
    if (report) {
        report("simulated instrument: " + action + " output log " + path_ + ": " +
               std::generic_category().message(reason));
    }
}

}  // namespace quillon::sim
