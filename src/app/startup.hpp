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

    // With `wait_for_host`, a host that cannot prepare its acquisition leaves the run stopped
    // instead of failing start-up. A host that gave up waiting because the program is ending
    // leaves start-up there: the settings are loaded, and no run begins.
    void Run(const std::string& argument_text, bool wait_for_host = false);

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
