// SPDX-License-Identifier: MIT
#include "ui/headless/console_event_lines.hpp"

#include <ostream>

namespace quillon {

void ConsoleEventLines::Emit(std::string_view line) {
    // The line ends in its line feed; the stream hands each whole line on without blocking.
    out_ << line << std::flush;
}

}  // namespace quillon
