// SPDX-License-Identifier: MIT
#include "ui/headless/console_writer.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quillon {
namespace {

std::string DroppedNote(std::uint64_t lines) {
    return "quillon: " + std::to_string(lines) + (lines == 1 ? " line" : " lines") +
           " dropped here: the reader did not keep up";
}

}  // namespace

ConsoleWriter::ConsoleWriter(int fd, std::string name, Report report, std::size_t capacity)
    : fd_(fd), name_(std::move(name)), report_(std::move(report)), capacity_(capacity) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) {
        return;  // a file never waits for a reader; a closed one fails at the first write
    }
    if (S_ISSOCK(status.st_mode)) {
        socket_ = true;  // written with MSG_DONTWAIT
        return;
    }
    // A description of its own for a pipe or a terminal: O_NONBLOCK on the shared one would
    // reach the shell and every other program that writes to the same terminal.
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
    if (flags >= 0 && (flags & O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
        shared_flags_to_restore_ = flags;
    }
}

ConsoleWriter::~ConsoleWriter() {
    if (own_descriptor_) {
        ::close(fd_);
    } else if (shared_flags_to_restore_ >= 0) {
        ::fcntl(fd_, F_SETFL, shared_flags_to_restore_);
    }
}

void ConsoleWriter::WriteLine(const std::string& line) {
    if (failed_) {
        return;
    }
    Flush();
    AnnounceDropped();
    if (dropped_since_announced_ > 0 || !Fits(line.size() + 1)) {
        ++dropped_since_announced_;
        ++dropped_total_;
        return;
    }
    Enqueue(line + '\n');
    Flush();
}

void ConsoleWriter::AnnounceDropped() {
    if (dropped_since_announced_ == 0) {
        return;
    }
    std::string note = DroppedNote(dropped_since_announced_) + '\n';
    if (Fits(note.size())) {
        Enqueue(std::move(note));
        dropped_since_announced_ = 0;
    }
}

void ConsoleWriter::Enqueue(std::string text) {
    queued_bytes_ += text.size();
    queue_.push_back(std::move(text));
}

void ConsoleWriter::Flush() {
    while (!failed_ && !queue_.empty()) {
        const std::string& front = queue_.front();
        const long written =
            WriteSome(front.data() + front_written_, front.size() - front_written_);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // the reader has not taken the last lines yet
        }
        if (written <= 0) {
            Fail(written < 0 ? errno : EIO);
            return;
        }
        front_written_ += static_cast<std::size_t>(written);
        if (front_written_ == front.size()) {
            queued_bytes_ -= front.size();
            queue_.pop_front();
            front_written_ = 0;
        }
    }
}

long ConsoleWriter::WriteSome(const char* data, std::size_t size) const {
    if (socket_) {
        return ::send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    return ::write(fd_, data, size);
}

void ConsoleWriter::FlushAtEnd(std::chrono::milliseconds patience) {
    const auto give_up = std::chrono::steady_clock::now() + patience;
    for (;;) {
        Flush();
        AnnounceDropped();
        Flush();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            give_up - std::chrono::steady_clock::now());
        if (failed_ || (queue_.empty() && dropped_since_announced_ == 0) || left.count() <= 0) {
            break;
        }
        pollfd writable{fd_, POLLOUT, 0};
        ::poll(&writable, 1, static_cast<int>(left.count()));
    }
    if (!failed_ && !queue_.empty() && report_) {
        report_("quillon: " + std::to_string(queue_.size()) + " lines of " + name_ +
                " not written at the end: the reader did not take them");
    }
}

void ConsoleWriter::Fail(int reason) {
    failed_ = true;
    queue_.clear();
    queued_bytes_ = 0;
    front_written_ = 0;
    if (report_) {
        report_("quillon: writing to " + name_ + " failed (" +
                std::generic_category().message(reason) + "); its lines are dropped from now on");
    }
}

}  // namespace quillon
