// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "app/program_options.hpp"

namespace quillon {

// The window on the selected host. Returns the exit status: 0 after a clean end, 1 when
// start-up or the last save failed, 2 for a bad host choice or an option of the console
// program.
int RunWin32WindowProgram(const ProgramOptions& options);

// What a window program says instead of printing it (--help, --version, a wrong option): a
// message box, the program having no console.
void ShowProgramText(const std::string& text, bool failure);

}  // namespace quillon
