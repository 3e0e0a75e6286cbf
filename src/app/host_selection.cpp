// SPDX-License-Identifier: MIT
#include "app/host_selection.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/application.hpp"
#include "app/command_line.hpp"
#include "host/sim/simulated_instrument.hpp"
#ifdef QUILLON_WITH_MODBUS
#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#endif
#ifdef QUILLON_WITH_WINDAQ
#include "host/windaq/windaq_host.hpp"
#endif

namespace quillon {
namespace {

// "NAME" or "NAME:PARAMETER" after -d; the parameter is the host's own (a file, an address).
struct HostKind {
    std::string_view name;
    std::unique_ptr<HostConnection> (*create)(const std::string& parameter);
    std::string_view usage;
    // For --help, after "-dNAME" (and " (or no -d)" for the default).
    std::string_view help;
    // Takes every -d text that names no other kind: the text is the host's own selector.
    bool takes_other_texts = false;
};

std::unique_ptr<HostConnection> SimulatedHost(const std::string& scenario_path) {
    sim::Scenario scenario =
        scenario_path.empty() ? sim::DemoScenario() : sim::LoadScenarioFile(scenario_path);
    return std::make_unique<sim::SimulatedInstrument>(
        std::move(scenario), sim::SimulatedInstrument::SteadyClockFromNow());
}

#ifdef QUILLON_WITH_MODBUS
std::unique_ptr<HostConnection> ModbusDevice(const std::string& device_path) {
    return std::make_unique<modbus::ModbusHost>(modbus::LoadDeviceFile(device_path));
}
#endif

#ifdef QUILLON_WITH_WINDAQ
std::unique_ptr<HostConnection> WinDaqControl(const std::string& /*selector*/) {
    return std::make_unique<windaq::WinDaqHost>();
}
#endif

// The first kind is the default when no -d word is given.
constexpr std::array kHostKinds = {
#ifdef QUILLON_WITH_WINDAQ
    HostKind{"windaq", WinDaqControl,
             "no -d, or any other -d text, for the host's control (the text goes to it)",
             " is the host's control (WINDAQLib.WinDaq); any -d text that names no other host "
             "goes to the control",
             true},
#endif
    HostKind{"sim", SimulatedHost, "-dsim for the demo, -dsim:PATH for a scenario file",
             " is the built-in demo instrument, -dsim:PATH a scenario file"},
#ifdef QUILLON_WITH_MODBUS
    HostKind{"modbus", ModbusDevice, "-dmodbus:PATH for a Modbus TCP device file",
             ":PATH is a Modbus TCP device file"},
#endif
};

std::string KnownHosts() {
    std::string text;
    for (const HostKind& kind : kHostKinds) {
        text += (text.empty() ? "" : "; ") + std::string(kind.usage);
    }
    return text;
}

// Words filled into lines of at most 80 characters, continued 14 columns in.
std::string Wrapped(const std::string& text, std::size_t first_column) {
    constexpr std::size_t kWidth = 80;
    const std::string indent(14, ' ');
    std::string wrapped;
    std::size_t column = first_column;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        if (column > first_column && column + 1 + word.size() > kWidth) {
            wrapped += "\n" + indent;
            column = indent.size();
        } else if (start > 0) {
            wrapped += ' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
        start = end + 1;
    }
    return wrapped;
}

}  // namespace

std::string HostUsageText() {
    std::string text;
    for (const HostKind& kind : kHostKinds) {
        const bool is_default = &kind == &kHostKinds.front();
        text += (text.empty() ? "-d" : "; -d") + std::string(kind.name) +
                (is_default ? " (or no -d)" : "") + std::string(kind.help);
    }
    // Continues "  -dHOST      first word: the host. ".
    return Wrapped(text + ".", 36);
}

std::unique_ptr<HostConnection> CreateSelectedHost(const std::string& argument_text) {
    const std::string host_text = ParseCommandLine(argument_text).host_text.value_or("");
    if (host_text.empty()) {
        return kHostKinds.front().create("");
    }
    const std::size_t colon = host_text.find(':');
    const std::string name = host_text.substr(0, colon);
    const std::string parameter = colon == std::string::npos ? "" : host_text.substr(colon + 1);
    for (const HostKind& kind : kHostKinds) {
        if (kind.name != name) {
            continue;
        }
        if (colon != std::string::npos && parameter.empty()) {
            throw HostSelectionError("-d" + host_text + " names no file: write -d" + name +
                                     ":PATH (" + std::string(kind.usage) + ")");
        }
        return kind.create(parameter);
    }
    for (const HostKind& kind : kHostKinds) {
        if (kind.takes_other_texts) {
            return kind.create(host_text);
        }
    }
    throw HostSelectionError("unknown host \"" + host_text + "\": this build has " + KnownHosts());
}

void ReportHostProblems(HostConnection& connection, Application& application) {
    connection.SetProblemListener(
        [&application](const std::string& problem) { application.GetPanel().SetStatus(problem); });
    if (connection.ConfirmsWritesLater()) {
        application.AwaitOutputConfirmations();
        connection.SetWriteConfirmationListener(
            [&application](std::int16_t word, const std::string& refusal) {
                application.OutputConfirmed(word, refusal);
            });
    }
}

}  // namespace quillon
