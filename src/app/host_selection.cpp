// SPDX-License-Identifier: MIT
#include "app/host_selection.hpp"

#include <array>
#include <string_view>

#include "app/addon.hpp"
#include "app/command_line.hpp"
#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#include "host/sim/simulated_instrument.hpp"

namespace quillon {
namespace {

// "NAME" or "NAME:PARAMETER" after -d; the parameter is the host's own (a file, an address).
struct HostKind {
    std::string_view name;
    std::unique_ptr<HostConnection> (*create)(const std::string& parameter);
    std::string_view usage;
};

std::unique_ptr<HostConnection> SimulatedHost(const std::string& scenario_path) {
    sim::Scenario scenario =
        scenario_path.empty() ? sim::DemoScenario() : sim::LoadScenarioFile(scenario_path);
    return std::make_unique<sim::SimulatedInstrument>(
        std::move(scenario), sim::SimulatedInstrument::SteadyClockFromNow());
}

std::unique_ptr<HostConnection> ModbusDevice(const std::string& device_path) {
    return std::make_unique<modbus::ModbusHost>(modbus::LoadDeviceFile(device_path));
}

// The first kind is the default when no -d word is given.
constexpr std::array kHostKinds = {
    HostKind{"sim", SimulatedHost, "-dsim for the demo, -dsim:PATH for a scenario file"},
    HostKind{"modbus", ModbusDevice, "-dmodbus:PATH for a Modbus TCP device file"},
};

std::string KnownHosts() {
    std::string text;
    for (const HostKind& kind : kHostKinds) {
        text += (text.empty() ? "" : "; ") + std::string(kind.usage);
    }
    return text;
}

}  // namespace

std::unique_ptr<HostConnection> CreateSelectedHost(const std::string& argument_text) {
    const std::string host_text = ParseCommandLine(argument_text).host_text.value_or("");
    if (host_text.empty()) {
        return kHostKinds.front().create("");
    }
    const std::size_t colon = host_text.find(':');
    const std::string name = host_text.substr(0, colon);
    const std::string parameter = colon == std::string::npos ? "" : host_text.substr(colon + 1);
    for (const HostKind& kind : kHostKinds) {
        if (kind.name == name && (colon == std::string::npos || !parameter.empty())) {
            return kind.create(parameter);
        }
    }
    throw HostSelectionError("unknown host \"" + host_text + "\": this build has " + KnownHosts());
}

void ReportHostProblems(HostConnection& connection, Addon& addon) {
    connection.SetProblemListener(
        [&addon](const std::string& problem) { addon.GetPanel().SetStatus(problem); });
}

}  // namespace quillon
