// SPDX-License-Identifier: MIT
#include "events/event_log.hpp"

#include <algorithm>

#include "events/json_line.hpp"

namespace quillon {
namespace {

// Beyond this a burst of events goes out at the next chance, not a second later.
constexpr std::size_t kLargeBuffer = std::size_t{256} * 1024;
// A file written in large blocks only takes them this large: few system calls, little memory.
constexpr std::size_t kBlockBuffer = std::size_t{4} * 1024 * 1024;

}  // namespace

EventLog::EventLog(Clock& clock, Report report)
    : EventLines(clock), report_(std::move(report)), last_write_(clock.Monotonic()) {}

EventLog::~EventLog() {
    Flush();
}

void EventLog::AttachFile(std::unique_ptr<EventFile> file) {
    file_ = std::move(file);
}

void EventLog::Flush() {
    written_this_tick_ = false;
    if (!buffer_.empty() || lost_ > 0) {
        Write();
    }
}

void EventLog::TickStarted(std::uint64_t tick) {
    EventLines::TickStarted(tick);
    written_this_tick_ = false;
    FlushIfDue();
}

void EventLog::Idle() {
    written_this_tick_ = false;
    FlushIfDue();
}

void EventLog::RunStopped(std::string_view reason) {
    EventLines::RunStopped(reason);
    flush_wanted_ = true;
    FlushIfDue();
}

void EventLog::Emit(std::string_view line) {
    buffer_ += line;
    if (line_observer_) {
        line_observer_(line);
    }
}

void EventLog::FlushIfDue() {
    if (buffer_.empty() || !file_ || written_this_tick_) {
        return;
    }
    if (large_blocks_only_) {
        if (flush_wanted_ || buffer_.size() >= kBlockBuffer) {
            Write();
        }
        return;
    }
    if (flush_wanted_ || buffer_.size() >= kLargeBuffer ||
        EventClock().Monotonic() - last_write_ >= kFlushInterval) {
        Write();
    }
}

void EventLog::Write() {
    if (!file_) {
        return;
    }
    std::size_t gap_bytes = 0;
    // A file made again holds none of the lines before: its first line says so.
    const bool made_again = file_->Vanished();
    if (lost_ > 0 || made_again) {
        JsonLine line = Begin("log_gap");
        line.Integer("lost", static_cast<std::int64_t>(lost_));
        if (made_again) {
            line.Boolean("file_made_again", true);
        }
        line.End();
        buffer_.insert(0, StartedLine());
        gap_bytes = StartedLine().size();
    }
    written_this_tick_ = true;
    flush_wanted_ = false;
    last_write_ = EventClock().Monotonic();
    std::string error;
    const std::size_t kept = std::min(file_->Append(buffer_, error), buffer_.size());
    if (kept < buffer_.size()) {
        const auto lines_in = [&](std::size_t from, std::size_t to) {
            return static_cast<std::uint64_t>(
                std::count(buffer_.begin() + static_cast<std::ptrdiff_t>(from),
                           buffer_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
        };
        // The gap line is no event of its own; once it is in, the earlier losses are told.
        if (kept >= gap_bytes) {
            lost_ = 0;
        }
        const std::uint64_t new_losses = lines_in(std::max(kept, gap_bytes), buffer_.size());
        lost_ += new_losses;
        lost_total_ += new_losses;
        if (!reported_ && report_) {
            reported_ = true;
            report_("Event log not written (" + error + "); the run goes on without it");
        }
    } else {
        lost_ = 0;
    }
    buffer_.clear();
}

}  // namespace quillon
