// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "app/ports.hpp"
#include "app/settings.hpp"
#include "control/instance_facts.hpp"
#include "control/run_control.hpp"
#include "panel/panel.hpp"

namespace quillon {

inline constexpr const char* kAgentSettingsFile = "pellomar.ini";

// What happens between the window's creation and the first scan tick: fixes the values the
// rest of the program reads for its life, loads the settings, asks the host about the
// instrument, adapts the slot rows to it and starts the run. A failing host call propagates:
// the program cannot run without its host.
class Startup {
public:
    Startup(const Ports& ports, Panel& panel, InstanceFacts& facts, Settings& settings,
            RunControl& run_control);

    void Run(const std::string& argument_text);

private:
    void RequireUsableSectionName();
    void FindDecimalSeparator();
    void ReadSenderSuffix();
    void ApplyCommandLine(const std::string& argument_text);
    void QueryInstrument();
    void AdaptOutputRows();
    void HideSlotRow(int slot);

    const Ports& ports_;
    Panel& panel_;
    InstanceFacts& facts_;
    Settings& settings_;
    RunControl& run_control_;
};

}  // namespace quillon
