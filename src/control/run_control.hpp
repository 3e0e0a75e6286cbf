// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "control/session.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The Start/Stop operation behind Command1: Start validates the equations in math mode, runs
// the scan timer and locks the editing controls; Stop halts the timer and unlocks them.
class RunControl {
public:
    // Validates one equation before a run and reports its own failures to the operator.
    using EquationCheck = std::function<bool(const std::string& equation)>;

    RunControl(Panel& panel, Session& session, EquationCheck prepare_for_run);

    void StartStop();
    bool Running() const { return panel_.ScanTimerEnabled(); }

private:
    void Prologue();
    void ReadDataWindow();
    void Start();
    bool ValidateEquations();
    void Stop();

    Panel& panel_;
    Session& session_;
    EquationCheck prepare_for_run_;
};

}  // namespace quillon
