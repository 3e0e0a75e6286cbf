// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "control/event_sink.hpp"
#include "control/instance_facts.hpp"
#include "control/operator_settings.hpp"
#include "control/output_word.hpp"
#include "control/run_control.hpp"
#include "control/run_state.hpp"
#include "control/slot_timing.hpp"
#include "equations/statistic_channels.hpp"
#include "equations/token_substituter.hpp"
#include "host/host_control.hpp"
#include "panel/panel.hpp"
#include "platform/clock.hpp"
#include "platform/prompter.hpp"

namespace quillon {

// What the tick asks of the operator controls and the alarms.
struct ScanCycleActions {
    std::function<void()> poll_hot_keys = [] {};
    std::function<void()> start_audio_alarm = [] {};
    std::function<void()> stop_audio_alarm = [] {};
    // The e-mail slot's condition was met while armed; the tick's block holds the samples.
    std::function<void(const SampleBlock& samples)> send_alarm_email = [](const SampleBlock&) {};
    // A tick went through every slot: `samples` holds the current scan at `scan`.
    std::function<void(const SampleBlock& samples, int scan)> tick_done = [](const SampleBlock&,
                                                                             int) {};
};

// The 10 ms tick: hot keys, the host reads, every enabled slot by its mode and equation, the
// lamps, and the output word. A failed read stops the run without a box; a failed equation
// stops it and names the slot. Nothing that fails here ends the program.
class ScanCycle {
public:
    ScanCycle(Panel& panel, RunState& run, const InstanceFacts& facts,
              const OperatorSettings& settings, HostControl& host, Prompter& prompter, Clock& clock,
              RunControl& run_control, OutputWord& output_word);

    void SetActions(ScanCycleActions actions) { actions_ = std::move(actions); }
    void SetEventSink(EventSink* events) { events_ = events; }
    void Tick();
    // The block of the last tick, empty before the first: the keep-alive's newest samples.
    const SampleBlock& LatestSamples() const { return samples_; }
    // Ends a slot's latch; true when it was latched. The slot follows its equation (and its
    // off-delay) from the next tick.
    bool Acknowledge(int slot);

private:
    void MathTick();
    void ManualTick();
    bool ReadBlocks();
    // Every slot's equation text, as the panel holds it now.
    std::array<std::string_view, kSlotCount> SlotEquations() const;
    void SelectWindowChannels();
    void SelectHistoryChannels();
    static void RequireScans(int returned, int asked);
    bool ReadManualScan();
    void ProcessSlot(int slot);
    void Drive(int slot, bool on);
    void ForceManualSlot(int slot, bool on);
    bool Evaluate(int slot);
    void ApplyResult(int slot, bool set_mode, bool result);
    void ApplyEmailResult(bool set_mode, bool state);
    // The slot's on-delay, off-delay and latch between its equation and its state.
    bool TimedState(int slot, bool demand);
    void BypassTiming(int slot, bool on);
    void RestartTimingOnNewRun();
    void StartAudioAlarm();
    void SilenceAudioAlarm(int slot);
    void SetLamp(int slot, bool active);
    void ReportLampChange(int slot, Colour old_colour, bool active);
    // The host failed: the run stops quietly, the reason stays in the status.
    void StopAfterHostFailure(const std::string& reason);
    void StopAfterReadFailure(const std::string& reason);
    void StopAfterSlotFailure(int slot, const std::string& reason);
    std::string Now();

    Panel& panel_;
    RunState& run_;
    const InstanceFacts& facts_;
    const OperatorSettings& settings_;
    HostControl& host_;
    Prompter& prompter_;
    Clock& clock_;
    RunControl& run_control_;
    OutputWord& output_word_;
    ScanCycleActions actions_;
    TokenSubstituter substituter_;
    SampleBlock samples_;
    WindowBlock window_;
    WindowSelection window_selection_;
    HistorySelection history_selection_;
    // The panel's equation revision each selection was last made for.
    std::optional<std::uint64_t> window_revision_;
    std::optional<std::uint64_t> history_revision_;
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    // The slot being decided and, once its equation was evaluated, why: for the event log.
    int traced_slot_ = -1;
    double traced_value_ = 0.0;
    bool audio_alarm_started_ = false;  // in this tick
    // The next true result of the e-mail slot sends; armed from the program's start, and
    // again by any false result, across Stop and Start.
    bool email_armed_ = true;
    std::array<SlotTiming, kSlotCount> timing_;
    std::uint64_t timed_run_ = 0;  // the run the timing last counted in
};

}  // namespace quillon
