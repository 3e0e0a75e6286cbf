// SPDX-License-Identifier: MIT
#include "control/run_control.hpp"

#include <cmath>

#include "control/instrument_models.hpp"
#include "control/mode_switch.hpp"
#include "platform/leading_number.hpp"

namespace quillon {
namespace {

// Asynchronous playback, no default sound when the file is missing.
constexpr std::int16_t kAlarmSoundFlags = 3;

}  // namespace

RunControl::RunControl(Panel& panel, Session& session, EquationCheck prepare_for_run)
    : panel_(panel), session_(session), prepare_for_run_(std::move(prepare_for_run)) {}

void RunControl::StartStop() {
    Prologue();
    if (panel_.StartStopCaption() == "Start") {
        Start();
    } else {
        Stop();
    }
}

void RunControl::Prologue() {
    session_.force_write = true;
    panel_.SetAlarmTimerEnabled(false);
    session_.sound_flags = kAlarmSoundFlags;
    ReadDataWindow();
    session_.statistics_in_use = false;
    session_.history_depth = 0;
    session_.first_slot = LacksOutputsZeroAndOne(session_.instrument_model) ? 2 : 0;
}

void RunControl::ReadDataWindow() {
    const double number = std::floor(LeadingNumber(panel_.DataWindowText()));
    if (number < 1) {
        session_.data_window = 1;
        panel_.SetDataWindowText("1");
        return;
    }
    // A window beyond the field's range is as large as the field allows.
    session_.data_window = RoundToField<std::int16_t>(number);
}

void RunControl::Start() {
    panel_.SetStatus("");  // the reason for the last stop is old news now
    if (panel_.MathMode() == 1 && !ValidateEquations()) {
        return;
    }
    panel_.SetMathModeEnabled(false);
    panel_.SetScanTimerEnabled(true);
    session_.keep_alive_countdown = session_.KeepAliveStart();
    const std::string& email_mode = panel_.Slot(kEmailSlot).mode;
    panel_.SetKeepAliveTimerEnabled(email_mode == kModeSet || email_mode == kModeForceSet);
    panel_.SetStartStopCaption("Stop");
    for (int slot = session_.first_slot; slot <= session_.last_slot; ++slot) {
        panel_.SetEquationEnabled(slot, false);
    }
    panel_.SetDataWindowEnabled(false);
    panel_.SetQuickReferenceEnabled(false);
    for (int slot = 0; slot <= session_.last_slot; ++slot) {
        panel_.SetEditEnabled(slot, false);
    }
    panel_.SetWindowSize(panel_.WindowWidth(), kRunningWindowHeight);
}

bool RunControl::ValidateEquations() {
    for (int slot = 0; slot <= session_.last_slot; ++slot) {
        panel_.SetLampColour(slot, kLampNeutral);
    }
    for (int slot = session_.first_slot; slot <= session_.last_slot; ++slot) {
        if (!prepare_for_run_(panel_.Slot(slot).equation)) {
            return false;
        }
    }
    return true;
}

void RunControl::Stop() {
    panel_.SetMathModeEnabled(true);
    panel_.SetWindowSize(panel_.WindowWidth(), kStoppedWindowHeight);
    for (int slot = 0; slot <= session_.last_slot; ++slot) {
        panel_.SetEditEnabled(slot, true);
    }
    for (int slot = session_.first_slot; slot <= session_.last_slot; ++slot) {
        panel_.SetEquationEnabled(slot, true);
        panel_.SetModeEnabled(slot, true);
        panel_.SetLampColour(slot, kLampNeutral);
    }
    panel_.SetScanTimerEnabled(false);
    panel_.SetKeepAliveTimerEnabled(false);
    panel_.SetStartStopCaption("Start");
    panel_.SetDataWindowEnabled(true);
    panel_.SetQuickReferenceEnabled(true);
}

}  // namespace quillon
