// SPDX-License-Identifier: MIT
#include "app/addon.hpp"

#include "app/startup.hpp"
#include "app/window_bounds.hpp"

namespace quillon {

Addon::Addon(const Ports& ports)
    : ports_(ports),
      mode_switch_(panel_),
      // Seam: equation validation comes with the equation engine; until then every equation
      // is accepted.
      run_control_(panel_, session_, [](const std::string&) { return true; }),
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
    // Seam: the scan cycle reads the host, evaluates the equations and drives the outputs.
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
    // Seam: the quick reference of the equation language.
}

void Addon::EditEquationClicked(int slot) {
    // Seam: the equation editing dialog.
    static_cast<void>(slot);
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
