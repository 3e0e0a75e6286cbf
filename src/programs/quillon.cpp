// SPDX-License-Identifier: MIT
// The Quillon program: the window on the selected host, or the console front end with
// --headless.
#include "app/program_start.hpp"
#include "ui/headless/headless_runner.hpp"
#include "ui/qt/window_program.hpp"

int main(int argc, char** argv) {
    return quillon::StartProgram(argc, argv, "quillon", [argc, argv](const auto& options) {
        return options.headless ? quillon::RunHeadlessOnConsole(options)
                                : quillon::RunWindowProgram(argc, argv, options);
    });
}
