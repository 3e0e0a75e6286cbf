// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "app/application.hpp"
#include "ui/win32/win32_channels_window.hpp"
#include "ui/win32/win32_main_window.hpp"
#include "ui/win32/win32_prompter.hpp"

namespace quillon {

class Clock;
class HostControl;
class KeyState;
class Locale;
class ProcessLauncher;
class ProfileStore;
class SoundPlayer;

// The platform the Win32 front end runs on; it brings its own prompter.
struct Win32FrontEndPorts {
    HostControl& host;
    ProfileStore& profiles;
    Locale& locale;
    Clock& clock;
    SoundPlayer& sound;
    ProcessLauncher& launcher;
    KeyState& keys;
};

// The Application, its window and the modal boxes, on the calling thread; the ports must outlive
// this object.
class Win32FrontEnd {
public:
    explicit Win32FrontEnd(const Win32FrontEndPorts& ports);
    ~Win32FrontEnd();
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

    // Shows the window, loads with the argument text and runs the thread's messages until the
    // window has closed. Returns 1 when start-up or the last save failed (the save's failure
    // shown in a box), else 0.
    // With `channels_view`, the channels view opens beside the window once it has loaded.
    int Run(const std::string& argument_text, bool channels_view = false);
    // Dispatches the messages waiting now, through the window's key preview; a quit is left
    // for the loop of Run.
    void DispatchWaitingMessages();

    Application& GetApplication() { return application_; }
    Win32MainWindow& Window() { return window_; }
    // Opens the channels view (made the first time) below the window.
    void ShowChannelsView();
    Win32ChannelsWindow* ChannelsView() { return channels_.get(); }

private:
    void Dispatch(MSG& message);

    HostControl& host_;
    Win32Prompter prompter_;
    Application application_;
    Win32MainWindow window_;
    std::unique_ptr<Win32ChannelsWindow> channels_;
};

}  // namespace quillon
