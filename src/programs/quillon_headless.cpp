// SPDX-License-Identifier: MIT
// The console program: the headless front end on the selected host, publishing to the fleet's
// broker where the build offers it and fleet.ini asks for it.
#include "app/program_start.hpp"
#include "ui/headless/headless_runner.hpp"
#if QUILLON_FLEET
#include "fleet/fleet_add_on.hpp"
#endif

int main(int argc, char** argv) {
    return quillon::StartProgram(argc, argv, "quillon-headless", [](const auto& options) {
#if QUILLON_FLEET
        return quillon::RunHeadlessOnConsole(options, quillon::fleet::FleetAddOnMaker());
#else
        return quillon::RunHeadlessOnConsole(options);
#endif
    });
}
