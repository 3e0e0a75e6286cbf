// SPDX-License-Identifier: MIT
// The Quillon program on Windows: the native window on the selected host. It has no console,
// so --help and --version answer in a message box; the console program is quillon-headless.
#include "app/program_start.hpp"
#include "ui/win32/win32_window_program.hpp"

int main(int argc, char** argv) {
    return quillon::StartProgram(argc, argv, "quillon", quillon::RunWin32WindowProgram,
                                 quillon::ShowProgramText);
}
