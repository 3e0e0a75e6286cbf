// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/console_channel.hpp"

namespace quillon {

// Writes whole lines to one console descriptor without ever making the caller wait: what the
// reader has not taken yet waits in a bounded queue; a line that does not fit is dropped and
// counted, and the count is written as soon as there is room again. A write that fails for
// good (the reader has gone) is reported once and ends this output.
class ConsoleWriter {
public:
    using Report = std::function<void(const std::string& line)>;
    // The line that stands for lines dropped: a readable note unless a front end says otherwise.
    using DroppedNote = std::function<std::string(std::uint64_t lines)>;

    // Enough for a few seconds of a busy console; a reader that falls further behind has
    // stopped reading.
    static constexpr std::size_t kDefaultCapacity = std::size_t{64} * 1024;

    // `name` ("standard output") appears in the reports; `report` hears the failure.
    ConsoleWriter(int fd, std::string name, Report report = {},
                  std::size_t capacity = kDefaultCapacity);
    ~ConsoleWriter();
    ConsoleWriter(const ConsoleWriter&) = delete;
    ConsoleWriter& operator=(const ConsoleWriter&) = delete;

    // `line` without its line feed.
    void WriteLine(const std::string& line);
    // Writes what the reader takes now.
    void Flush();
    // For the end of the program: waits up to `patience` for the reader to take the rest, and
    // reports what it left.
    void FlushAtEnd(std::chrono::milliseconds patience);

    std::uint64_t DroppedLines() const { return dropped_total_; }
    void SetDroppedNote(DroppedNote note) { dropped_note_ = std::move(note); }

private:
    bool Fits(std::size_t bytes) const { return queued_bytes_ + bytes <= capacity_; }
    void Enqueue(std::string text);
    void AnnounceDropped();
    void Fail(int reason);

    std::unique_ptr<ConsoleChannel> channel_;
    std::string name_;
    Report report_;
    DroppedNote dropped_note_;
    std::size_t capacity_;
    std::deque<std::string> queue_;
    std::size_t queued_bytes_ = 0;
    std::size_t front_written_ = 0;
    std::uint64_t dropped_since_announced_ = 0;
    std::uint64_t dropped_total_ = 0;
    bool failed_ = false;
};

}  // namespace quillon
