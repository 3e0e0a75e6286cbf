// SPDX-License-Identifier: MIT
#include "app/host_selection.hpp"

#include "app/command_line.hpp"

namespace quillon {
namespace {

constexpr std::string_view kSimulatedHost = "sim";
constexpr std::string_view kScenarioPrefix = "sim:";

sim::Scenario ScenarioFor(const std::string& host_text) {
    if (host_text.empty() || host_text == kSimulatedHost) {
        return sim::DemoScenario();
    }
    if (host_text.rfind(kScenarioPrefix, 0) == 0 && host_text.size() > kScenarioPrefix.size()) {
        return sim::LoadScenarioFile(host_text.substr(kScenarioPrefix.size()));
    }
    throw HostSelectionError("unknown host \"" + host_text +
                             "\": this build has only the simulated instrument "
                             "(-dsim for the demo, -dsim:PATH for a scenario file)");
}

}  // namespace

std::unique_ptr<sim::SimulatedInstrument> CreateSelectedHost(const std::string& argument_text) {
    const CommandLine options = ParseCommandLine(argument_text);
    return std::make_unique<sim::SimulatedInstrument>(
        ScenarioFor(options.host_text.value_or("")),
        sim::SimulatedInstrument::SteadyClockFromNow());
}

}  // namespace quillon
