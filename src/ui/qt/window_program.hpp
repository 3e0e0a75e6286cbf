// SPDX-License-Identifier: MIT
#pragma once

#include "app/program_options.hpp"
#include "app/run_add_on.hpp"

namespace quillon {

// The window on the selected host, with the simulated instrument's own window beside it when
// the host is simulated. Returns the exit status: 0 after a clean end, 1 when start-up or the
// last save failed, 2 for a bad host choice. `add_on`, when given, makes a part the program
// adds to the run.
int RunWindowProgram(int argc, char** argv, const ProgramOptions& options,
                     const RunAddOnMaker& add_on = {});

}  // namespace quillon
