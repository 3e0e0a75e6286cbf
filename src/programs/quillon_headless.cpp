// SPDX-License-Identifier: MIT
// The console program: the headless front end on the selected host.
#include "app/program_start.hpp"
#include "ui/headless/headless_runner.hpp"

int main(int argc, char** argv) {
    return quillon::StartProgram(argc, argv, "quillon-headless", quillon::RunHeadlessOnConsole);
}
