// SPDX-License-Identifier: MIT
#include "app/application.hpp"

#include "app/startup.hpp"
#include "app/window_bounds.hpp"
#include "equations/equation_editor.hpp"
#include "equations/quick_reference.hpp"

namespace quillon {

Application::Application(const Ports& ports)
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
    panel_.AddObserver(this);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        logged_modes_[static_cast<std::size_t>(slot)] = panel_.Slot(slot).mode;
    }
    logged_math_mode_ = panel_.MathMode();
    logged_global_keys_ = panel_.GlobalKeys();
    scan_cycle_.SetActions(ScanCycleActions{
        [this] { From(ChangeSource::HotKey, [this] { hot_keys_.Poll(); }); },
        [this] { StartAudioAlarm(); },
        [this] { alarms_.StopAudioAlarm(); },
        [this](const SampleBlock& samples) { SendAlarmEmail(samples); },
        [this](const SampleBlock& samples, int scan) { RecordTick(samples, scan); },
    });
    hot_keys_.SetAcknowledgeAll([this] { Acknowledge(kAllSlots, AckSource::HotKey); });
}

Application::~Application() {
    panel_.RemoveObserver(this);
    panel_.SetHandlers(nullptr);
}

void Application::SetEventSink(EventSink* events) {
    events_ = events ? events : &no_events_;
    EventSink* controllers = events_;
    if (confirmed_outputs_) {
        confirmed_outputs_->SetTarget(*events_);
        controllers = confirmed_outputs_.get();
    }
    run_control_.SetEventSink(controllers);
    scan_cycle_.SetEventSink(controllers);
    output_word_.SetEventSink(controllers);
    manual_control_.SetEventSink(controllers);
    alarms_.SetEventSink(controllers);
}

void Application::AwaitOutputConfirmations() {
    if (!confirmed_outputs_) {
        confirmed_outputs_ = std::make_unique<ConfirmedOutputEvents>(*events_);
        SetEventSink(events_);
    }
}

void Application::OutputConfirmed(std::int16_t word, const std::string& refusal) {
    if (confirmed_outputs_) {
        confirmed_outputs_->Confirm(word, refusal);
    }
}

template <typename Action>
void Application::From(ChangeSource source, Action action) {
    const ChangeSource outer = change_source_;
    change_source_ = source;
    try {
        action();
    } catch (...) {
        change_source_ = outer;
        throw;
    }
    change_source_ = outer;
}

void Application::Load(const std::string& argument_text, bool wait_for_host) {
    // Start-up puts the saved modes on the switches before it starts the run.
    From(ChangeSource::Settings, [&] {
        Startup(ports_, panel_, facts_, settings_, run_control_).Run(argument_text, wait_for_host);
    });
    // After start-up's Start, which clears the status line.
    if (!settings_.LoadNotes().empty()) {
        const std::string& status = panel_.Status();
        panel_.SetStatus(status.empty() ? settings_.LoadNotes()
                                        : status + "; " + settings_.LoadNotes());
    }
}

void Application::Resize(int width, int height) {
    const WindowSize bounded = BoundWindowSize({width, height});
    panel_.SetWindowSize(bounded.width, bounded.height);
}

void Application::Unload() {
    if (run_control_.Running()) {
        run_control_.StartStop("the program is ending");
        panel_.SetScanTimerEnabled(false);
    }
    SaveSettings();
}

void Application::HostExited() {
    events_->HostExited();
    Report(alarms_.SendHostExitNotice());
    if (run_control_.Running()) {
        run_control_.StartStop("the host exited");
    }
    SaveSettings();
    ended_ = true;
}

void Application::HostAway() {
    events_->HostExited();
    Report(alarms_.SendHostExitNotice());
}

bool Application::StoppedByHostFailure() const {
    return !run_control_.Running() && run_.stop_cause == StopCause::HostFailed;
}

bool Application::ResumeRun() {
    return run_control_.Resume();
}

void Application::SendRunNotice(const char* event_word, const std::string& what_happened) {
    Report(alarms_.SendRunNotice(event_word, what_happened));
}

void Application::SaveSettings() {
    const SaveResult result = settings_.SaveSetupInfo();
    if (!result.Ok()) {
        save_failure_ = "Settings not saved (" + std::to_string(result.failed_keys) +
                        " keys): " + result.first_error;
        panel_.SetStatus(*save_failure_);
    }
}

void Application::StartStopClicked() {
    run_control_.StartStop();
}

void Application::StopRun(std::string_view reason) {
    if (run_control_.Running()) {
        run_control_.StartStop(reason);
    }
}

void Application::ScanTick() {
    if (run_control_.Running()) {
        const auto start = ports_.clock.Monotonic();
        events_->TickStarted(++ticks_);
        scan_cycle_.Tick();
        if (const auto overrun = overrun_.TickTook(start, ports_.clock.Monotonic())) {
            events_->CycleOverran(overrun->ticks, overrun->worst.count());
            panel_.SetStatus(overrun->text);
        }
    }
}

void Application::AlarmTick() {
    if (panel_.AlarmTimerEnabled()) {
        alarms_.AlarmTick();
    }
}

void Application::KeepAliveTick() {
    Report(alarms_.KeepAliveTick(scan_cycle_.LatestSamples(), run_control_.Running()));
}

void Application::AgentsFinished() {
    for (const FinishedProcess& agent : ports_.launcher.TakeFinished()) {
        const std::optional<std::string> outcome = alarms_.AgentFinished(agent);
        if (outcome && agent.arguments.size() > 2) {
            events_->AgentExited(agent.arguments[2], agent.exited, agent.status, *outcome);
        }
        Report(outcome);
    }
    events_->Idle();
}

void Application::CharacterTyped(char character) {
    if (panel_.KeyPreview()) {
        From(ChangeSource::Key, [&] { manual_control_.CharacterTyped(character); });
    }
}

void Application::QuickReferenceClicked() {
    ShowQuickReference(panel_, ports_.prompter);
}

void Application::EditEquationClicked(int slot) {
    EditEquation(slot, panel_, ports_.prompter);
}

void Application::AlarmSettingsClicked() {
    settings_dialogs_.AlarmDialog();
}

void Application::EmailSettingsClicked() {
    settings_dialogs_.EmailIntervalDialog();
}

int Application::Acknowledge(int slot, AckSource source) {
    int ended = 0;
    for (int each = 0; each < kSlotCount; ++each) {
        if ((slot == kAllSlots || slot == each) && scan_cycle_.Acknowledge(each)) {
            events_->Acknowledged(each, source);
            ++ended;
        }
    }
    return ended;
}

void Application::SwitchChanged(int slot) {
    mode_switch_.SwitchChanged(slot);
}

void Application::PanelChanged(PanelField field, int slot) {
    switch (field) {
        case PanelField::Mode:
            ReportModeChange(slot);
            break;
        case PanelField::MathMode:
            if (panel_.MathMode() != logged_math_mode_) {
                logged_math_mode_ = panel_.MathMode();
                events_->SwitchChanged("Math Expression", logged_math_mode_, change_source_);
            }
            break;
        case PanelField::GlobalKeys:
            if (panel_.GlobalKeys() != logged_global_keys_) {
                logged_global_keys_ = panel_.GlobalKeys();
                events_->SwitchChanged("Global Key", logged_global_keys_ ? 1 : 0, change_source_);
            }
            break;
        case PanelField::Timers:
            if (panel_.AlarmTimerEnabled() != logged_alarm_sounding_) {
                logged_alarm_sounding_ = panel_.AlarmTimerEnabled();
                events_->AudioAlarmChanged(logged_alarm_sounding_);
            }
            break;
        default:
            break;
    }
}

void Application::ReportModeChange(int slot) {
    std::string& logged = logged_modes_[static_cast<std::size_t>(slot)];
    const SlotState& state = panel_.Slot(slot);
    if (state.mode != logged) {
        // Where the switch stands once the change is done: a mode set from the settings moves
        // the switch only after its text is shown.
        events_->ModeChanged(slot, logged, state.mode, SwitchPositionForMode(state.mode),
                             change_source_);
        logged = state.mode;
    }
}

void Application::ManualOutputChanged(int output) {
    Report(manual_control_.ManualOutputChanged(output));
}

void Application::StartAudioAlarm() {
    const bool starts = !panel_.AlarmTimerEnabled();
    alarms_.StartAudioAlarm();
    if (starts) {
        history_.AddMark(SecondsSinceStart(), SampleHistory::MarkKind::AlarmSound);
    }
}

void Application::SendAlarmEmail(const SampleBlock& samples) {
    const std::optional<std::string> problem = alarms_.SendAlarmEmail(samples);
    if (!problem) {
        history_.AddMark(SecondsSinceStart(), SampleHistory::MarkKind::Email);
    }
    Report(problem);
}

void Application::RecordTick(const SampleBlock& samples, int scan) {
    std::uint16_t active = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (panel_.Slot(slot).lamp == kLampActive) {
            active = static_cast<std::uint16_t>(active | (1U << slot));
        }
    }
    history_.Record(SecondsSinceStart(), samples, scan, active);
    if (tick_observer_) {
        tick_observer_(samples, scan, active);
    }
}

// The view's time axis: seconds since the first tick, on the monotonic clock.
double Application::SecondsSinceStart() {
    const auto now = ports_.clock.Monotonic();
    if (!first_tick_) {
        first_tick_ = now;
    }
    return std::chrono::duration<double>(now - *first_tick_).count();
}

void Application::Report(const std::optional<std::string>& problem) {
    if (problem) {
        panel_.SetStatus(*problem);
    }
}

}  // namespace quillon
