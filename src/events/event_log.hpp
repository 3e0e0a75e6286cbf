// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "events/event_file.hpp"
#include "events/event_lines.hpp"

namespace quillon {

// The event log: JSON lines kept in memory and handed to the file at most once a tick, at
// least once a second while anything waits, and at once when a run stops. A file that cannot
// be written is reported once and never stops anything; the lines it could not take are
// counted exactly (a line is in the file whole or not at all), and a "log_gap" line with its
// time says how many when writing works again.
class EventLog final : public EventLines {
public:
    using Report = std::function<void(const std::string& problem)>;
    // Told of every line as it is made, on the tick's thread; it must not block.
    using LineObserver = std::function<void(std::string_view line)>;

    static constexpr std::chrono::seconds kFlushInterval{1};

    EventLog(Clock& clock, Report report);
    ~EventLog() override;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Until a file is attached, lines wait in memory (start-up comes before the instance's
    // name is known).
    void AttachFile(std::unique_ptr<EventFile> file);
    // For a file nobody reads while it grows (a replay's, whose seconds pass in microseconds):
    // lines go to it in large blocks and at Flush, not every second.
    void WriteInLargeBlocks() { large_blocks_only_ = true; }
    // Writes what waits now; for the end of the program.
    void Flush();

    void TickStarted(std::uint64_t tick) override;
    void Idle() override;
    void RunStopped(std::string_view reason) override;

    std::uint64_t LostLines() const { return lost_total_; }
    // One observer (the fleet publisher): it sees exactly the lines the file gets.
    void SetLineObserver(LineObserver observer) { line_observer_ = std::move(observer); }

protected:
    void Emit(std::string_view line) override;

private:
    void FlushIfDue();
    void Write();

    Report report_;
    LineObserver line_observer_;
    std::unique_ptr<EventFile> file_;
    std::string buffer_;
    std::chrono::steady_clock::time_point last_write_;
    bool written_this_tick_ = false;
    bool flush_wanted_ = false;
    bool large_blocks_only_ = false;
    bool reported_ = false;
    std::uint64_t lost_ = 0;  // since the last line that reached the file
    std::uint64_t lost_total_ = 0;
};

}  // namespace quillon
