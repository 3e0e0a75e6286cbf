// SPDX-License-Identifier: MIT
#include "app/addon.hpp"

#include "app/startup.hpp"
#include "app/window_bounds.hpp"
#include "equations/equation_editor.hpp"
#include "equations/quick_reference.hpp"

namespace quillon {

Addon::Addon(const Ports& ports)
    : ports_(ports),
      preparation_(ports.host, ports.prompter, evaluator_, session_),
      mode_switch_(panel_),
      run_control_(
          panel_, session_,
          [this](const std::string& equation) { return preparation_.PrepareForRun(equation); }),
      output_word_(session_, ports.host),
      scan_cycle_(panel_, session_, ports.host, ports.prompter, ports.clock, run_control_,
                  output_word_),
      settings_(panel_, session_, ports.profiles) {
    panel_.SetHandlers(this);
}

Addon::~Addon() {
    panel_.SetHandlers(nullptr);
}

void Addon::Load(const std::string& argument_text) {
    Startup(ports_, panel_, session_, settings_, run_control_).Run(argument_text);
}

void Addon::Resize(int width, int height) {
    const WindowSize bounded = BoundWindowSize({width, height});
    panel_.SetWindowSize(bounded.width, bounded.height);
}

void Addon::Unload() {
    if (panel_.ScanTimerEnabled()) {
        run_control_.StartStop();
        panel_.SetScanTimerEnabled(false);
    }
    SaveSettings();
}

void Addon::HostExited() {
    // Seam: the exit e-mail is sent here, unless the e-mail slot is forced off.
    if (panel_.ScanTimerEnabled()) {
        run_control_.StartStop();
    }
    SaveSettings();
    ended_ = true;
}

void Addon::SaveSettings() {
    const SaveResult result = settings_.SaveSetupInfo();
    if (!result.Ok()) {
        panel_.SetStatus("Settings not saved (" + std::to_string(result.failed_keys) +
                         " keys): " + result.first_error);
    }
}

void Addon::StartStopClicked() {
    run_control_.StartStop();
}

void Addon::ScanTick() {
    if (panel_.ScanTimerEnabled()) {
        scan_cycle_.Tick();
    }
}

void Addon::AlarmTick() {
    // Seam: the audio alarm repeats its sound.
}

void Addon::KeepAliveTick() {
    // The keep-alive timer has no action of its own.
}

void Addon::CharacterTyped(char character) {
    if (!panel_.KeyPreview()) {
        return;
    }
    // Seam: window keys move the mode switches.
    static_cast<void>(character);
}

void Addon::QuickReferenceClicked() {
    ShowQuickReference(panel_, ports_.prompter);
}

void Addon::EditEquationClicked(int slot) {
    EditEquation(slot, panel_, ports_.prompter);
}

void Addon::AlarmSettingsClicked() {
    // Seam: the alarm sound settings dialog.
}

void Addon::EmailSettingsClicked() {
    // Seam: the e-mail interval settings dialog.
}

void Addon::SwitchChanged(int slot) {
    mode_switch_.SwitchChanged(slot);
}

void Addon::ManualOutputChanged(int output) {
    // Seam: the manual output word is written to the host.
    static_cast<void>(output);
}

}  // namespace quillon
