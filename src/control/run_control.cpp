// SPDX-License-Identifier: MIT
#include "control/run_control.hpp"

#include <cmath>

#include "control/instrument_models.hpp"
#include "control/mode_switch.hpp"
#include "utility/leading_number.hpp"

namespace quillon {
namespace {

// The platform's sound-call flags: play without waiting, and stay silent rather than play the
// default sound when the file cannot be played.
constexpr std::int16_t kSoundAsynchronous = 1;
constexpr std::int16_t kSoundNoDefault = 2;
constexpr std::int16_t kAlarmSoundFlags = kSoundAsynchronous | kSoundNoDefault;

}  // namespace

RunControl::RunControl(Panel& panel, RunState& run, const InstanceFacts& facts,
                       const OperatorSettings& settings, ForceWrite& force_write,
                       EquationCheck prepare_for_run)
    : panel_(panel),
      run_(run),
      facts_(facts),
      settings_(settings),
      force_write_(force_write),
      prepare_for_run_(std::move(prepare_for_run)) {}

void RunControl::StartStop(std::string_view stop_reason, StopCause cause) {
    Prologue();
    if (Running()) {
        Stop(stop_reason, cause);
    } else {
        Start();
    }
}

bool RunControl::Resume() {
    if (!Running()) {
        resuming_ = true;
        StartStop();
        resuming_ = false;
    }
    return Running();
}

void RunControl::Prologue() {
    force_write_.pending = true;
    panel_.SetAlarmTimerEnabled(false);
    run_.sound_flags = kAlarmSoundFlags;
    ReadDataWindow();
    run_.tokens = TokenUse{};
    run_.first_slot = LacksOutputsZeroAndOne(facts_.instrument_model) ? 2 : 0;
}

void RunControl::ReadDataWindow() {
    const double number = std::floor(LeadingNumber(panel_.DataWindowText()));
    if (number < 1) {
        run_.data_window = 1;
        panel_.SetDataWindowText("1");
        return;
    }
    // A window beyond the field's range is as large as the field allows.
    run_.data_window = RoundToField<std::int16_t>(number);
}

void RunControl::Start() {
    panel_.SetStatus("");  // the reason for the last stop is old news now
    if (panel_.MathMode() == 1 && !ValidateEquations()) {
        return;
    }
    panel_.SetMathModeEnabled(false);
    ++run_.run_number;
    panel_.SetScanTimerEnabled(true);
    run_.StartKeepAlive(settings_.KeepAliveStart());
    UpdateKeepAliveTimer(panel_);
    panel_.SetStartStopCaption("Stop");
    for (int slot = run_.first_slot; slot <= facts_.last_slot; ++slot) {
        panel_.SetEquationEnabled(slot, false);
    }
    panel_.SetDataWindowEnabled(false);
    panel_.SetQuickReferenceEnabled(false);
    for (int slot = 0; slot <= facts_.last_slot; ++slot) {
        panel_.SetEditEnabled(slot, false);
    }
    panel_.SetWindowSize(panel_.WindowWidth(), kRunningWindowHeight);
    if (resuming_) {
        events_->RunResumed();
    } else {
        events_->RunStarted();
    }
}

bool RunControl::ValidateEquations() {
    for (int slot = 0; slot <= facts_.last_slot; ++slot) {
        panel_.SetLampColour(slot, kLampNeutral);
    }
    for (int slot = run_.first_slot; slot <= facts_.last_slot; ++slot) {
        const PreparationResult prepared =
            prepare_for_run_(panel_.Slot(slot).equation, run_.tokens);
        run_.tokens = prepared.use;
        if (!prepared.accepted) {
            return false;
        }
    }
    return true;
}

void RunControl::Stop(std::string_view reason, StopCause cause) {
    run_.stop_cause = cause;
    panel_.SetMathModeEnabled(true);
    panel_.SetWindowSize(panel_.WindowWidth(), kStoppedWindowHeight);
    for (int slot = 0; slot <= facts_.last_slot; ++slot) {
        panel_.SetEditEnabled(slot, true);
    }
    for (int slot = run_.first_slot; slot <= facts_.last_slot; ++slot) {
        panel_.SetEquationEnabled(slot, true);
        panel_.SetModeEnabled(slot, true);
        panel_.SetLampColour(slot, kLampNeutral);
    }
    panel_.SetScanTimerEnabled(false);
    panel_.SetKeepAliveTimerEnabled(false);
    panel_.SetStartStopCaption("Start");
    panel_.SetDataWindowEnabled(true);
    panel_.SetQuickReferenceEnabled(true);
    events_->RunStopped(reason);
}

}  // namespace quillon
