// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>

#include "app/program_options.hpp"
#include "app/run_add_on.hpp"

namespace quillon {

// The console front end: the same core as the window, its own loop, no Qt. Returns the exit
// status: 0 after a stop signal or the host's exit, 1 when start-up fails, 2 for a bad host
// choice. `add_on`, when given, makes a part the program adds to the run.
int RunHeadless(const ProgramOptions& options, std::ostream& out, std::ostream& err,
                const RunAddOnMaker& add_on = {});

// RunHeadless on standard output and standard error, written without blocking: a console
// reader that stops reading never holds up the loop (see ConsoleWriter). Stop requests come
// from the platform (StopRequested), which StartProgram prepares first.
int RunHeadlessOnConsole(const ProgramOptions& options, const RunAddOnMaker& add_on = {});

}  // namespace quillon
