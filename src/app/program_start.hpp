// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "app/program_options.hpp"

namespace quillon {

// Where a program says its --help, --version or a wrong option; `failure` for the last.
using ProgramTextSink = std::function<void(const std::string& text, bool failure)>;

// What every program does first: the process made ready for a long unattended run (see
// PrepareProcess), then its own options read and --help, --version or a wrong option answered.
// Otherwise `run`, the program's front end, runs with the options; its status is returned.
// A program without a console (the Windows window) gives `say`; the others print.
int StartProgram(int argc, char** argv, const char* program,
                 const std::function<int(const ProgramOptions& options)>& run,
                 const ProgramTextSink& say = {});

}  // namespace quillon
