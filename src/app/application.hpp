// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/confirmed_output_events.hpp"
#include "app/ports.hpp"
#include "app/settings.hpp"
#include "control/alarm_settings_dialogs.hpp"
#include "control/alarms.hpp"
#include "control/cycle_overrun.hpp"
#include "control/event_sink.hpp"
#include "control/force_write.hpp"
#include "control/hot_keys.hpp"
#include "control/instance_facts.hpp"
#include "control/manual_control.hpp"
#include "control/mode_switch.hpp"
#include "control/operator_settings.hpp"
#include "control/output_word.hpp"
#include "control/run_control.hpp"
#include "control/run_state.hpp"
#include "control/sample_history.hpp"
#include "control/scan_cycle.hpp"
#include "equations/equation_preparation.hpp"
#include "equations/evaluator.hpp"
#include "panel/panel.hpp"
#include "panel/timer_periods.hpp"

namespace quillon {

// The application core of one instance: it owns the Panel (the window's state), the instance's
// facts and settings, every controller (run control, scan cycle, output word, manual control,
// hot keys, alarms, the settings dialogs) and the tick history, and offers the window's events
// as plain calls. Front ends draw the Panel and forward input here; nothing here blocks.
class Application final : private PanelHandlers, private PanelObserver {
public:
    explicit Application(const Ports& ports);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Panel& GetPanel() { return panel_; }
    const InstanceFacts& GetInstanceFacts() const { return facts_; }
    const RunState& GetRunState() const { return run_; }
    const OperatorSettings& GetOperatorSettings() const { return operator_settings_; }
    // What each tick read and decided, for a live view.
    const SampleHistory& History() const { return history_; }

    // Where events go (run start and stop, slot changes and why, modes, output writes,
    // alarms, agents); set it before Load. The sink outlives the Application.
    void SetEventSink(EventSink* events);
    // For a host that learns later whether the device took an output word: output writes
    // reach the events only with the device's answer, given to OutputConfirmed.
    void AwaitOutputConfirmations();
    // The device's answer to an output word: an empty refusal means it took it.
    void OutputConfirmed(std::int16_t word, const std::string& refusal);
    // Told at the end of every tick that went through the slots: the block, its current scan,
    // and bit n set for each active slot n.
    using TickObserver =
        std::function<void(const SampleBlock& samples, int scan, std::uint16_t active_slots)>;
    void SetTickObserver(TickObserver observer) { tick_observer_ = std::move(observer); }
    // Scan ticks run so far.
    std::uint64_t Ticks() const { return ticks_; }

    // The window's load: start-up with the command line after the program name. With
    // `wait_for_host`, a host that does not answer at start-up leaves the run stopped for the
    // host's sake ("waiting for the device") instead of failing start-up.
    void Load(const std::string& argument_text, bool wait_for_host = false);
    // The window was resized to this outer size in twips; the Panel holds the bounded size.
    void Resize(int width, int height);
    // The window's unload: stop a running cycle, then save the settings.
    void Unload();
    // The host's exit event; when it returns, Ended() is true.
    void HostExited();
    // The host has been away for its exit time, and the program waits for it to come back:
    // the exit notice goes out, nothing ends.
    void HostAway();
    // The run is not going because the host failed (not the operator, not an equation).
    bool StoppedByHostFailure() const;
    // Starts the run again after the host failed; true when it runs.
    bool ResumeRun();
    // Launches the e-mail agent with a run notice (event word kRunStoppedEvent or
    // kRunResumedEvent); the reason in the status when it could not be started.
    void SendRunNotice(const char* event_word, const std::string& what_happened);
    // True once the program must end (the host exited); the front end closes without Unload.
    bool Ended() const { return ended_; }
    // Why the last save (at unload or host exit) failed; the program then ends with status 1.
    const std::optional<std::string>& SaveFailure() const { return save_failure_; }

    void StartStopClicked();  // Command1
    // Stops a running cycle for a reason that is not the operator's ("end of recording").
    void StopRun(std::string_view reason);
    void ScanTick();       // Timer1
    void AlarmTick();      // Timer2
    void KeepAliveTick();  // Timer3
    // Between ticks: e-mail agents that have ended put their outcome in the status line.
    void AgentsFinished();
    void CharacterTyped(char character);
    void QuickReferenceClicked();        // Command2
    void EditEquationClicked(int slot);  // Command4(i)
    void AlarmSettingsClicked();         // Command3
    void EmailSettingsClicked();         // Command5
    // Ends the latch of `slot`, or of every slot for kAllSlots; each latch that ends is an
    // event. Returns how many ended.
    static constexpr int kAllSlots = -1;
    int Acknowledge(int slot, AckSource source);

private:
    void SwitchChanged(int slot) override;
    void PanelChanged(PanelField field, int slot) override;
    void ReportModeChange(int slot);
    // Runs `action` with mode and switch changes credited to `source`.
    template <typename Action>
    void From(ChangeSource source, Action action);
    void ManualOutputChanged(int output) override;
    void SaveSettings();
    void StartAudioAlarm();
    void SendAlarmEmail(const SampleBlock& samples);
    void RecordTick(const SampleBlock& samples, int scan);
    double SecondsSinceStart();
    // A failure that must not stop anything: shown without a box.
    void Report(const std::optional<std::string>& problem);

    Ports ports_;
    Panel panel_;
    InstanceFacts facts_;                 // fixed at start-up
    OperatorSettings operator_settings_;  // loaded from the settings file
    RunState run_;                        // fixed by each Start and Stop
    ForceWrite force_write_;
    Evaluator evaluator_;
    EquationPreparation preparation_;
    ModeSwitch mode_switch_;
    RunControl run_control_;
    OutputWord output_word_;
    ScanCycle scan_cycle_;
    ManualControl manual_control_;
    HotKeys hot_keys_;
    Alarms alarms_;
    AlarmSettingsDialogs settings_dialogs_;
    Settings settings_;
    SampleHistory history_;
    std::optional<std::chrono::steady_clock::time_point> first_tick_;
    CycleOverrun overrun_{kScanTimerPeriod};
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    std::unique_ptr<ConfirmedOutputEvents> confirmed_outputs_;  // between controllers and events_
    TickObserver tick_observer_;
    std::uint64_t ticks_ = 0;
    ChangeSource change_source_ = ChangeSource::Window;
    // What the log last said, so that each event names the old value.
    std::array<std::string, kSlotCount> logged_modes_;
    int logged_math_mode_ = 0;
    bool logged_global_keys_ = false;
    bool logged_alarm_sounding_ = false;
    bool ended_ = false;
    std::optional<std::string> save_failure_;
};

}  // namespace quillon
