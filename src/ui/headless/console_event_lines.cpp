// SPDX-License-Identifier: MIT
#include "ui/headless/console_event_lines.hpp"

#include <chrono>
#include <ostream>

#include "events/iso_time.hpp"

namespace quillon {

void ConsoleEventLines::Sound(std::string_view path, std::int16_t flags, std::string_view heard) {
    JsonLine line = Begin("sound");
    line.Text("file", path).Integer("flags", flags).Text("heard", heard);
    Finish(line);
}

void ConsoleEventLines::Message(std::string_view kind, std::string_view title,
                                std::string_view text) {
    JsonLine line = Begin("message");
    line.Text("kind", kind).Text("title", title).Text("text", text);
    Finish(line);
}

void ConsoleEventLines::Emit(std::string_view line) {
    // The line ends in its line feed; the stream hands each whole line on without blocking.
    out_ << line << std::flush;
}

std::string ConsoleDroppedLine(std::uint64_t lines) {
    std::string text;
    JsonLine line(text);
    line.Text("time", IsoLocalTime(std::chrono::system_clock::now()))
        .Text("event", "console_dropped")
        .Integer("lines", static_cast<std::int64_t>(lines));
    line.End();
    text.pop_back();  // the writer adds the line feed
    return text;
}

}  // namespace quillon
