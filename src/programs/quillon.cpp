// SPDX-License-Identifier: MIT
// The Quillon program: the window on the selected host, or the console front end with
// --headless; either publishes to the fleet's broker where fleet.ini asks for it.
#include "app/program_start.hpp"
#include "fleet/fleet_add_on.hpp"
#include "ui/headless/headless_runner.hpp"
#include "ui/qt/window_program.hpp"

int main(int argc, char** argv) {
    return quillon::StartProgram(argc, argv, "quillon", [argc, argv](const auto& options) {
        const quillon::RunAddOnMaker fleet = quillon::fleet::FleetAddOnMaker();
        return options.headless ? quillon::RunHeadlessOnConsole(options, fleet)
                                : quillon::RunWindowProgram(argc, argv, options, fleet);
    });
}
