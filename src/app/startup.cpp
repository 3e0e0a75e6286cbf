// SPDX-License-Identifier: MIT
#include "app/startup.hpp"

#include <algorithm>
#include <stdexcept>

#include "app/command_line.hpp"
#include "control/instrument_models.hpp"
#include "host/host_control.hpp"
#include "platform/locale.hpp"
#include "platform/profile_store.hpp"
#include "utility/ini_file.hpp"
#include "utility/leading_number.hpp"

namespace quillon {
namespace {

constexpr std::size_t kSenderIdLength = 19;
// Bits 0, 1 and 15: what instruments without outputs 0 and 1 expect once at start-up.
constexpr std::int16_t kOutputsZeroAndOneParked = -32765;

}  // namespace

Startup::Startup(const Ports& ports, Panel& panel, InstanceFacts& facts, Settings& settings,
                 RunControl& run_control)
    : ports_(ports), panel_(panel), facts_(facts), settings_(settings), run_control_(run_control) {}

void Startup::Run(const std::string& argument_text, bool wait_for_host) {
    panel_.SetKeyPreview(true);
    FindDecimalSeparator();
    // The statistic names are the fixed table kAdvancedFunctionNames, and the evaluator keeps
    // no state between calls: there is nothing to create or link.
    ReadSenderSuffix();
    facts_.last_slot = 9;
    ApplyCommandLine(argument_text);  // the settings file name is the fixed kSettingsFile
    facts_.host_id = panel_.Caption();
    RequireUsableSectionName();
    settings_.GetSetupInfo();
    bool host_ready = true;
    try {
        ports_.host.PrepareAcquisition();
    } catch (const HostWaitAbandoned&) {
        return;
    } catch (const HostError& error) {
        if (!wait_for_host) {
            throw;
        }
        host_ready = false;
        panel_.SetStatus(std::string("waiting for the device: ") + error.what());
    }
    QueryInstrument();
    AdaptOutputRows();
    ports_.host.CompleteStartup();
    if (host_ready) {
        run_control_.StartStop();  // the caption reads "Start": this starts the run
    } else {
        run_control_.HostUnavailable();
    }
}

// The instance name heads its section of the settings file: a name that would not read back
// (a line break would even plant lines for another instance) is refused before anything is
// loaded or saved.
void Startup::RequireUsableSectionName() {
    if (!IniFile::IsWritableSectionName(facts_.host_id)) {
        throw std::runtime_error(
            "the instance name given by -n cannot name a settings section: it must not hold a "
            "line break or NUL, nor start or end with a blank or tab");
    }
}

void Startup::FindDecimalSeparator() {
    const std::string text = ports_.locale.FormatGeneral(3.333);
    if (text.find('.') != std::string::npos || text.size() < 2) {
        facts_.decimal_separator = ".";
    } else {
        facts_.decimal_separator = text.substr(1, 1);
    }
}

void Startup::ReadSenderSuffix() {
    std::string id = ports_.profiles.Read(kAgentSettingsFile, "Global", "SenderID", "");
    id.resize(std::min(id.size(), kSenderIdLength));
    std::replace(id.begin(), id.end(), ' ', '_');
    facts_.sender_suffix = id.empty() ? " " : "@" + id + " ";
}

void Startup::ApplyCommandLine(const std::string& argument_text) {
    const CommandLine options = ParseCommandLine(argument_text);
    if (options.host_text) {
        ports_.host.SetIdentification(*options.host_text);
    }
    if (options.caption) {
        panel_.SetCaption(*options.caption);
    }
}

void Startup::QueryInstrument() {
    const std::string identification = ports_.host.Identification();
    facts_.high_byte_layout = identification.size() >= 3 && identification[2] == '7';
    facts_.instrument_model = SaturateToField<std::int16_t>(ports_.host.InstrumentModel(-2));
}

void Startup::AdaptOutputRows() {
    const std::int16_t model = facts_.instrument_model;
    if (HasNoOutputs(model)) {
        for (int slot = 0; slot < kOutputCount; ++slot) {
            HideSlotRow(slot);
        }
    } else if (LacksOutputsZeroAndOne(model)) {
        HideSlotRow(0);
        HideSlotRow(1);
        // Not an output-word change: the cycle's words and last-written values stay.
        ports_.host.WriteDigitalOutputs(kOutputsZeroAndOneParked);
    } else if (HasFourOutputs(model)) {
        for (int slot = 4; slot < kOutputCount; ++slot) {
            panel_.SetModeEnabled(slot, false);
            panel_.SetEquationEnabled(slot, false);
            panel_.SetLampVisible(slot, false);
            panel_.SetEquation(slot, "");
        }
    }
}

// No window shows the slot labels (Label3), so the row is its selector, lamp and equation.
void Startup::HideSlotRow(int slot) {
    panel_.SetModeVisible(slot, false);
    panel_.SetLampVisible(slot, false);
    panel_.SetEquationVisible(slot, false);
}

}  // namespace quillon
