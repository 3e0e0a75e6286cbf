// SPDX-License-Identifier: MIT
#include "control/scan_cycle.hpp"

#include <array>
#include <string_view>
#include <utility>

#include "control/mode_switch.hpp"
#include "equations/evaluator.hpp"
#include "panel/timer_periods.hpp"
#include "platform/local_time.hpp"

namespace quillon {
namespace {

// Raised inside a slot's processing so that the tick can name the slot.
struct SlotFailure {
    int slot;
    std::string reason;
};

}  // namespace

ScanCycle::ScanCycle(Panel& panel, RunState& run, const InstanceFacts& facts,
                     const OperatorSettings& settings, HostControl& host, Prompter& prompter,
                     Clock& clock, RunControl& run_control, OutputWord& output_word)
    : panel_(panel),
      run_(run),
      facts_(facts),
      settings_(settings),
      host_(host),
      prompter_(prompter),
      clock_(clock),
      run_control_(run_control),
      output_word_(output_word) {}

void ScanCycle::Tick() {
    try {
        RestartTimingOnNewRun();
        actions_.poll_hot_keys();
        if (panel_.MathMode() == 1) {
            MathTick();
        } else {
            ManualTick();
        }
    } catch (const SlotFailure& failure) {
        StopAfterSlotFailure(failure.slot, failure.reason);
    } catch (const HostError& error) {
        // The output word could not be handed to the host: the host failed, not the run.
        StopAfterHostFailure(error.what());
    } catch (const std::exception& error) {
        // Not an equation: the output word or an alarm failed. Stop as for an equation.
        StopAfterSlotFailure(-1, error.what());
    }
}

void ScanCycle::MathTick() {
    audio_alarm_started_ = false;
    if (!ReadBlocks()) {
        return;
    }
    for (int slot = 0; slot <= facts_.last_slot; ++slot) {
        if (panel_.Slot(slot).mode_enabled) {
            ProcessSlot(slot);
        }
    }
    output_word_.WriteOutputWord();
    actions_.tick_done(samples_, run_.tokens.history_depth);
}

// A block shorter than asked for is the host's fault, whichever equation would have
// noticed it first (or none, when no equation reads samples).
bool ScanCycle::ReadBlocks() {
    try {
        if (run_.tokens.statistics_in_use) {
            SelectWindowChannels();
            host_.ReadWindow(run_.data_window, window_);
            RequireScans(window_.Scans(), run_.data_window);
        }
        const int scans = run_.tokens.history_depth + 1;
        if (scans > 1) {
            SelectHistoryChannels();
        }
        host_.ReadScans(static_cast<std::int16_t>(scans), samples_);
        RequireScans(samples_.Scans(), scans);
        return true;
    } catch (const OutputWriteRefused& error) {
        StopAfterHostFailure(error.what());
        return false;
    } catch (const std::exception& error) {
        StopAfterReadFailure(error.what());
        return false;
    }
}

std::array<std::string_view, kSlotCount> ScanCycle::SlotEquations() const {
    std::array<std::string_view, kSlotCount> equations;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        equations[static_cast<std::size_t>(slot)] = panel_.Slot(slot).equation;
    }
    return equations;
}

// The window keeps only the channels that statistics are taken of.
void ScanCycle::SelectWindowChannels() {
    if (std::exchange(window_revision_, panel_.EquationRevision()) == panel_.EquationRevision()) {
        return;
    }
    window_selection_.SelectFor(SlotEquations(), window_);
}

// Only the channels that history tokens name need their earlier scans.
void ScanCycle::SelectHistoryChannels() {
    if (std::exchange(history_revision_, panel_.EquationRevision()) == panel_.EquationRevision()) {
        return;
    }
    history_selection_.SelectFor(SlotEquations(), samples_);
}

void ScanCycle::RequireScans(int returned, int asked) {
    if (returned < asked) {
        throw std::runtime_error("the host returned " + std::to_string(returned) + " scans where " +
                                 std::to_string(asked) + " were asked for");
    }
}

void ScanCycle::ProcessSlot(int slot) {
    traced_slot_ = -1;
    switch (const SlotMode mode = ModeOf(panel_.Slot(slot).mode)) {
        case SlotMode::ForceSet:
        case SlotMode::ForceReset:
            BypassTiming(slot, mode == SlotMode::ForceSet);
            Drive(slot, mode == SlotMode::ForceSet);
            SetLamp(slot, mode == SlotMode::ForceSet);
            break;
        case SlotMode::Set:
        case SlotMode::Reset:
            ApplyResult(slot, mode == SlotMode::Set, Evaluate(slot));
            break;
    }
}

// A slot's state to its output or alarm: DOUT n for slots 0 to 7; the audio alarm for slot 8;
// slot 9 on has no action here (its e-mail follows its equation), off silences the alarm.
void ScanCycle::Drive(int slot, bool on) {
    if (slot < kOutputCount) {
        output_word_.SetOutputBit(slot, on ? 1 : 0);
    } else if (!on) {
        SilenceAudioAlarm(slot);
    } else if (slot == kAudioSlot) {
        StartAudioAlarm();
    }
}

bool ScanCycle::Evaluate(int slot) {
    try {
        const TickInputs inputs{
            samples_,         window_, run_.tokens.history_depth, run_.tokens.statistics_in_use,
            run_.data_window, host_};
        const double value =
            substituter_.EvaluateEquation(slot, panel_.Slot(slot).equation, inputs);
        traced_slot_ = slot;
        traced_value_ = value;
        return value != 0.0;
    } catch (const std::exception& error) {
        throw SlotFailure{slot, error.what()};
    }
}

void ScanCycle::ApplyResult(int slot, bool set_mode, bool result) {
    // "Set" follows the equation, every other mode its negation.
    const bool on = TimedState(slot, set_mode ? result : !result);
    if (slot == kEmailSlot) {
        ApplyEmailResult(set_mode, on);
        return;
    }
    SetLamp(slot, on);
    Drive(slot, on);
}

// `state` is the slot's timed state: the equation's result in "Set", its negation otherwise.
// Only "Set" ever sends; any false result (a slot off in "Set", on in "Reset") arms the next
// e-mail, so a latched slot sends once per latch.
void ScanCycle::ApplyEmailResult(bool set_mode, bool state) {
    SetLamp(kEmailSlot, state);
    if (set_mode && state) {
        run_.ReloadKeepAlive(settings_.KeepAliveStart());
        if (email_armed_) {
            actions_.send_alarm_email(samples_);
            email_armed_ = false;
        }
    } else if (set_mode != state) {
        email_armed_ = true;
    }
}

bool ScanCycle::TimedState(int slot, bool demand) {
    const auto index = static_cast<std::size_t>(slot);
    const bool on = timing_[index].Step(demand, settings_.slot_timing[index], kScanTimerPeriod);
    panel_.SetLatched(slot, timing_[index].Latched());
    return on;
}

void ScanCycle::BypassTiming(int slot, bool on) {
    timing_[static_cast<std::size_t>(slot)].Bypass(on);
}

// Delays count within a run: each Start begins them afresh. Latches stand until acknowledged.
void ScanCycle::RestartTimingOnNewRun() {
    if (timed_run_ == run_.run_number) {
        return;
    }
    timed_run_ = run_.run_number;
    for (SlotTiming& timing : timing_) {
        timing.Restart();
    }
}

bool ScanCycle::Acknowledge(int slot) {
    if (slot < 0 || slot >= kSlotCount || !timing_[static_cast<std::size_t>(slot)].Acknowledge()) {
        return false;
    }
    panel_.SetLatched(slot, false);
    return true;
}

void ScanCycle::ManualTick() {
    audio_alarm_started_ = false;
    traced_slot_ = -1;
    if (!ReadManualScan()) {
        return;
    }
    for (int slot = 0; slot <= facts_.last_slot; ++slot) {
        const SlotState& state = panel_.Slot(slot);
        if (!state.mode_enabled) {
            continue;
        }
        const SlotMode mode = ModeOf(state.mode);
        if (mode == SlotMode::ForceSet || mode == SlotMode::ForceReset) {
            ForceManualSlot(slot, mode == SlotMode::ForceSet);
        }
    }
    actions_.tick_done(samples_, 0);
}

bool ScanCycle::ReadManualScan() {
    try {
        host_.ReadScans(1, samples_);
        return true;
    } catch (const OutputWriteRefused& error) {
        StopAfterHostFailure(error.what());
        return false;
    } catch (const std::exception& error) {
        StopAfterReadFailure(error.what());
        return false;
    }
}

// Manual mode drives the outputs through the manual check boxes, and slot 9 forced on sounds
// the audio alarm as slot 8 does: a routing of its own, not Drive's.
void ScanCycle::ForceManualSlot(int slot, bool on) {
    BypassTiming(slot, on);
    if (slot < kOutputCount) {
        panel_.SetManualOutput(slot, on ? 1 : 0);
    } else if (on) {
        StartAudioAlarm();
    } else {
        SilenceAudioAlarm(slot);
    }
    SetLamp(slot, on);
}

void ScanCycle::StartAudioAlarm() {
    actions_.start_audio_alarm();
    audio_alarm_started_ = true;
}

// The e-mail slot forced off silences the audio alarm, but not one the audio slot started or
// kept going in the same tick: Timer2 would be off at the next tick, which would play again.
void ScanCycle::SilenceAudioAlarm(int slot) {
    if (slot == kEmailSlot && audio_alarm_started_) {
        return;
    }
    actions_.stop_audio_alarm();
}

void ScanCycle::SetLamp(int slot, bool active) {
    const Colour old_colour = panel_.Slot(slot).lamp;
    const Colour colour = active ? kLampActive : kLampInactive;
    if (old_colour != colour) {
        panel_.SetLampColour(slot, colour);
        ReportLampChange(slot, old_colour, active);
    }
}

namespace {

std::string_view LampState(Colour colour) {
    if (colour == kLampActive) {
        return "on";
    }
    return colour == kLampInactive ? "off" : "none";
}

}  // namespace

// Only changes reach the log; an evaluated slot says what made it change.
void ScanCycle::ReportLampChange(int slot, Colour old_colour, bool active) {
    const SlotState& state = panel_.Slot(slot);
    SlotChange change{slot, state.mode, LampState(old_colour), active ? "on" : "off", {}};
    if (traced_slot_ == slot) {
        change.trace = EquationTrace{state.equation, substituter_.LastExpression(), traced_value_};
    }
    events_->SlotChanged(change);
}

// No box: the run stops quietly, and the reason stays in the status until the next Start.
void ScanCycle::StopAfterReadFailure(const std::string& reason) {
    StopAfterHostFailure("host read failed: " + reason);
}

void ScanCycle::StopAfterHostFailure(const std::string& reason) {
    if (run_control_.Running()) {
        run_control_.StartStop(reason, StopCause::HostFailed);
    }
    panel_.SetStatus("Stopped at " + Now() + ": " + reason);
}

// Stop first, so that no tick runs while the box is open.
void ScanCycle::StopAfterSlotFailure(int slot, const std::string& reason) {
    if (run_control_.Running()) {
        run_control_.StartStop(
            slot < 0 ? reason : "equation failed: D" + std::to_string(slot) + ": " + reason,
            StopCause::RunFailed);
    }
    if (slot < 0) {
        panel_.SetStatus("Stopped at " + Now() + ": " + reason);
        prompter_.MessageBox(MessageIcon::Critical, "The scan cycle stopped: " + reason, "");
        return;
    }
    panel_.SetStatus("Stopped at " + Now() + ": D" + std::to_string(slot) + ": " + reason);
    prompter_.MessageBox(
        MessageIcon::Critical,
        "Error in equation for D" + std::to_string(slot) + ". Please fix the error and start again",
        "");
}

std::string ScanCycle::Now() {
    return LocalTimeText(clock_.WallTime(), "%H:%M:%S");
}

}  // namespace quillon
