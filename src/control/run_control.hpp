// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "control/event_sink.hpp"
#include "control/force_write.hpp"
#include "control/instance_facts.hpp"
#include "control/operator_settings.hpp"
#include "control/run_state.hpp"
#include "equations/equation_preparation.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The Start/Stop operation behind Command1: Start validates the equations in math mode, runs
// the scan timer and locks the editing controls; Stop halts the timer and unlocks them.
class RunControl {
public:
    // Validates one equation before a run, given the token use of those before it, and
    // reports its own failures to the operator.
    using EquationCheck =
        std::function<PreparationResult(const std::string& equation, TokenUse so_far)>;

    RunControl(Panel& panel, RunState& run, const InstanceFacts& facts,
               const OperatorSettings& settings, ForceWrite& force_write,
               EquationCheck prepare_for_run);

    // `stop_reason` is logged when the press stops the run: empty for the operator's press.
    void StartStop(std::string_view stop_reason = {}, StopCause cause = StopCause::Operator);
    // Start again after the host failed, logged as a resumed run; true when the run goes.
    bool Resume();
    // Start-up found the host away: the run has not started, for the host's sake.
    void HostUnavailable() { run_.stop_cause = StopCause::HostFailed; }
    void SetEventSink(EventSink* events) { events_ = events; }
    // The one answer to "is the run going": the scan timer runs exactly while the button reads
    // "Stop".
    bool Running() const { return panel_.ScanTimerEnabled(); }

private:
    void Prologue();
    void ReadDataWindow();
    void Start();
    bool ValidateEquations();
    void Stop(std::string_view reason, StopCause cause);

    Panel& panel_;
    RunState& run_;
    const InstanceFacts& facts_;
    const OperatorSettings& settings_;
    ForceWrite& force_write_;
    EquationCheck prepare_for_run_;
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    bool resuming_ = false;
};

}  // namespace quillon
