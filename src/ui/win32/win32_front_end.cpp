// SPDX-License-Identifier: MIT
#include "ui/win32/win32_front_end.hpp"

#include "host/host_control.hpp"
#include "platform/win32/message_pump.hpp"
#include "ui/win32/control_ids.hpp"

namespace quillon {

Win32FrontEnd::Win32FrontEnd(const Win32FrontEndPorts& ports)
    : host_(ports.host),
      application_(Ports{ports.host, ports.profiles, prompter_, ports.locale, ports.clock,
                         ports.sound, ports.launcher, ports.keys}),
      window_(application_) {
    prompter_.SetOwner(window_.Handle());
    // The host may report its exit from inside one of its own calls: the window hears of it
    // from the message loop, once that call has returned.
    HWND window = window_.Handle();
    host_.OnExit([window] { ::PostMessageW(window, control_ids::kHostExitMessage, 0, 0); });
    window_.SetChannelsViewRequest([this] { ShowChannelsView(); });
}

Win32FrontEnd::~Win32FrontEnd() {
    host_.OnExit({});
    channels_.reset();  // before the Application whose history it reads
}

void Win32FrontEnd::ShowChannelsView() {
    if (!channels_) {
        channels_ = std::make_unique<Win32ChannelsWindow>(application_.History(), host_);
    }
    channels_->Show(window_.Handle());
}

int Win32FrontEnd::Run(const std::string& argument_text, bool channels_view) {
    ::ShowWindow(window_.Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(window_.Handle());
    window_.Load(argument_text);
    if (channels_view && !window_.Closed() && !window_.StartupFailed()) {
        ShowChannelsView();
    }
    MSG message;
    while (!window_.Closed() && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    if (window_.StartupFailed()) {
        return 1;
    }
    // A save that failed at the end is the last thing the operator must hear of.
    if (application_.SaveFailure()) {
        prompter_.SetOwner(nullptr);
        prompter_.MessageBox(MessageIcon::Critical, *application_.SaveFailure(), "");
        return 1;
    }
    return 0;
}

void Win32FrontEnd::DispatchWaitingMessages() {
    quillon::DispatchWaitingMessages([this](MSG& message) { Dispatch(message); });
}

void Win32FrontEnd::Dispatch(MSG& message) {
    // Tab and the arrow keys move between the channels view's controls, as in a dialog.
    if (channels_ && ::IsDialogMessageW(channels_->Handle(), &message)) {
        return;
    }
    if (!window_.PreviewMessage(message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace quillon
