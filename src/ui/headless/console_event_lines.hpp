// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "events/event_lines.hpp"

namespace quillon {

// The event log's JSON lines on the console (--events-json), one flushed line per event.
class ConsoleEventLines final : public EventLines {
public:
    ConsoleEventLines(Clock& clock, std::ostream& out) : EventLines(clock), out_(out) {}

protected:
    void Emit(std::string_view line) override;

private:
    std::ostream& out_;
};

}  // namespace quillon
