// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "app/program_options.hpp"

namespace quillon {

// What every program does first: the process made ready for a long unattended run (see
// PrepareProcess), then its own options read and --help, --version or a wrong option answered.
// Otherwise `run`, the program's front end, runs with the options; its status is returned.
int StartProgram(int argc, char** argv, const char* program,
                 const std::function<int(const ProgramOptions& options)>& run);

}  // namespace quillon
