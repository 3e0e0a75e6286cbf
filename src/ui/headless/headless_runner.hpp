// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "app/program_options.hpp"

namespace quillon {

// The console front end: the same core as the window, its own loop, no Qt. Returns the exit
// status: 0 after Ctrl+C or the host's exit, 1 when start-up fails, 2 for a bad host choice.
int RunHeadless(const ProgramOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quillon
