// SPDX-License-Identifier: MIT
#include "app/addon.hpp"

#include "app/startup.hpp"
#include "app/window_bounds.hpp"
#include "equations/equation_editor.hpp"
#include "equations/quick_reference.hpp"

namespace quillon {

Addon::Addon(const Ports& ports)
    : ports_(ports),
      preparation_(ports.host, ports.prompter, evaluator_),
      mode_switch_(panel_),
      run_control_(panel_, run_, facts_, operator_settings_, force_write_,
                   [this](const std::string& equation, TokenUse so_far) {
                       return preparation_.PrepareForRun(equation, so_far);
                   }),
      output_word_(force_write_, facts_, ports.host),
      scan_cycle_(panel_, run_, facts_, operator_settings_, ports.host, ports.prompter, ports.clock,
                  run_control_, output_word_),
      manual_control_(panel_, force_write_, facts_, ports.host),
      hot_keys_(panel_, operator_settings_, ports.keys),
      alarms_(panel_, facts_, operator_settings_, run_,
              AlarmPorts{ports.host, ports.sound, ports.launcher, ports.locale, ports.clock}),
      settings_dialogs_(operator_settings_, run_, facts_, ports.prompter, ports.locale),
      settings_(panel_, operator_settings_, facts_, ports.profiles) {
    panel_.SetHandlers(this);
    scan_cycle_.SetActions(ScanCycleActions{
        [this] { hot_keys_.Poll(); },
        [this] { StartAudioAlarm(); },
        [this] { alarms_.StopAudioAlarm(); },
        [this](const SampleBlock& samples) { SendAlarmEmail(samples); },
        [this](const SampleBlock& samples, int scan) { RecordTick(samples, scan); },
    });
}

Addon::~Addon() {
    panel_.SetHandlers(nullptr);
}

void Addon::Load(const std::string& argument_text) {
    Startup(ports_, panel_, facts_, settings_, run_control_).Run(argument_text);
}

void Addon::Resize(int width, int height) {
    const WindowSize bounded = BoundWindowSize({width, height});
    panel_.SetWindowSize(bounded.width, bounded.height);
}

void Addon::Unload() {
    if (run_control_.Running()) {
        run_control_.StartStop();
        panel_.SetScanTimerEnabled(false);
    }
    SaveSettings();
}

void Addon::HostExited() {
    Report(alarms_.SendHostExitNotice());
    if (run_control_.Running()) {
        run_control_.StartStop();
    }
    SaveSettings();
    ended_ = true;
}

void Addon::SaveSettings() {
    const SaveResult result = settings_.SaveSetupInfo();
    if (!result.Ok()) {
        save_failure_ = "Settings not saved (" + std::to_string(result.failed_keys) +
                        " keys): " + result.first_error;
        panel_.SetStatus(*save_failure_);
    }
}

void Addon::StartStopClicked() {
    run_control_.StartStop();
}

void Addon::ScanTick() {
    if (run_control_.Running()) {
        scan_cycle_.Tick();
    }
}

void Addon::AlarmTick() {
    if (panel_.AlarmTimerEnabled()) {
        alarms_.AlarmTick();
    }
}

void Addon::KeepAliveTick() {
    Report(alarms_.KeepAliveTick(scan_cycle_.LatestSamples(), run_control_.Running()));
}

void Addon::AgentsFinished() {
    for (const FinishedProcess& agent : ports_.launcher.TakeFinished()) {
        Report(alarms_.AgentFinished(agent));
    }
}

void Addon::CharacterTyped(char character) {
    if (panel_.KeyPreview()) {
        manual_control_.CharacterTyped(character);
    }
}

void Addon::QuickReferenceClicked() {
    ShowQuickReference(panel_, ports_.prompter);
}

void Addon::EditEquationClicked(int slot) {
    EditEquation(slot, panel_, ports_.prompter);
}

void Addon::AlarmSettingsClicked() {
    settings_dialogs_.AlarmDialog();
}

void Addon::EmailSettingsClicked() {
    settings_dialogs_.EmailIntervalDialog();
}

void Addon::SwitchChanged(int slot) {
    mode_switch_.SwitchChanged(slot);
}

void Addon::ManualOutputChanged(int output) {
    Report(manual_control_.ManualOutputChanged(output));
}

void Addon::StartAudioAlarm() {
    const bool starts = !panel_.AlarmTimerEnabled();
    alarms_.StartAudioAlarm();
    if (starts) {
        history_.AddMark(SecondsSinceStart(), SampleHistory::MarkKind::AlarmSound);
    }
}

void Addon::SendAlarmEmail(const SampleBlock& samples) {
    const std::optional<std::string> problem = alarms_.SendAlarmEmail(samples);
    if (!problem) {
        history_.AddMark(SecondsSinceStart(), SampleHistory::MarkKind::Email);
    }
    Report(problem);
}

void Addon::RecordTick(const SampleBlock& samples, int scan) {
    std::uint16_t active = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (panel_.Slot(slot).lamp == kLampActive) {
            active = static_cast<std::uint16_t>(active | (1U << slot));
        }
    }
    history_.Record(SecondsSinceStart(), samples, scan, active);
}

// The view's time axis: seconds since the first tick, on the monotonic clock.
double Addon::SecondsSinceStart() {
    const auto now = ports_.clock.Monotonic();
    if (!first_tick_) {
        first_tick_ = now;
    }
    return std::chrono::duration<double>(now - *first_tick_).count();
}

void Addon::Report(const std::optional<std::string>& problem) {
    if (problem) {
        panel_.SetStatus(*problem);
    }
}

}  // namespace quillon
