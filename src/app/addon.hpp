// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "app/ports.hpp"
#include "app/settings.hpp"
#include "control/alarm_settings_dialogs.hpp"
#include "control/alarms.hpp"
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

namespace quillon {

// Owns the window's state and its controllers, and offers the window's events as plain
// calls. Front ends draw the Panel and forward input here; nothing here blocks.
class Addon final : private PanelHandlers {
public:
    explicit Addon(const Ports& ports);
    ~Addon() override;
    Addon(const Addon&) = delete;
    Addon& operator=(const Addon&) = delete;

    Panel& GetPanel() { return panel_; }
    const InstanceFacts& GetInstanceFacts() const { return facts_; }
    const RunState& GetRunState() const { return run_; }
    // What each tick read and decided, for a live view.
    const SampleHistory& History() const { return history_; }

    // The window's load: start-up with the command line after the program name.
    void Load(const std::string& argument_text);
    // The window was resized to this outer size in twips; the Panel holds the bounded size.
    void Resize(int width, int height);
    // The window's unload: stop a running cycle, then save the settings.
    void Unload();
    // The host's exit event; when it returns, Ended() is true.
    void HostExited();
    // True once the program must end (the host exited); the front end closes without Unload.
    bool Ended() const { return ended_; }
    // Why the last save (at unload or host exit) failed; the program then ends with status 1.
    const std::optional<std::string>& SaveFailure() const { return save_failure_; }

    void StartStopClicked();  // Command1
    void ScanTick();          // Timer1
    void AlarmTick();         // Timer2
    void KeepAliveTick();     // Timer3
    // Between ticks: e-mail agents that have ended put their outcome in the status line.
    void AgentsFinished();
    void CharacterTyped(char character);
    void QuickReferenceClicked();        // Command2
    void EditEquationClicked(int slot);  // Command4(i)
    void AlarmSettingsClicked();         // Command3
    void EmailSettingsClicked();         // Command5

private:
    void SwitchChanged(int slot) override;
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
    bool ended_ = false;
    std::optional<std::string> save_failure_;
};

}  // namespace quillon
