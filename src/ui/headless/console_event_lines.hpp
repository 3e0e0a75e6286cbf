// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iosfwd>

#include "events/event_lines.hpp"

namespace quillon {

// The event log's JSON lines on the console (--events-json), one flushed line per event. What
// else the console would show there (alarm sounds, message boxes) becomes a line of its own,
// so that the stream stays pure JSON lines.
class ConsoleEventLines final : public EventLines {
public:
    ConsoleEventLines(Clock& clock, std::ostream& out) : EventLines(clock), out_(out) {}

    // "sound": the file played, its flags and what would be heard.
    void Sound(std::string_view path, std::int16_t flags, std::string_view heard);
    // "message": a message box nobody can answer; `kind` is "error" or "info".
    void Message(std::string_view kind, std::string_view title, std::string_view text);

protected:
    void Emit(std::string_view line) override;

private:
    std::ostream& out_;
};

// The "console_dropped" line that stands for `lines` lines a slow reader did not take.
std::string ConsoleDroppedLine(std::uint64_t lines);

}  // namespace quillon
