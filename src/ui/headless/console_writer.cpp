// SPDX-License-Identifier: MIT
#include "ui/headless/console_writer.hpp"

#include <cerrno>
#include <system_error>

namespace quillon {
namespace {

std::string DroppedText(std::uint64_t lines) {
    return "quillon: " + std::to_string(lines) + (lines == 1 ? " line" : " lines") +
           " dropped here: the reader did not keep up";
}

}  // namespace

ConsoleWriter::ConsoleWriter(int fd, std::string name, Report report, std::size_t capacity)
    : channel_(OpenConsoleChannel(fd)),
      name_(std::move(name)),
      report_(std::move(report)),
      capacity_(capacity) {}

ConsoleWriter::~ConsoleWriter() = default;

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
    std::string note = (dropped_note_ ? dropped_note_(dropped_since_announced_)
                                      : DroppedText(dropped_since_announced_)) +
                       '\n';
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
            channel_->WriteSome(front.data() + front_written_, front.size() - front_written_);
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
        channel_->WaitWritable(left);
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
