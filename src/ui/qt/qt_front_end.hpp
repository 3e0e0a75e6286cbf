// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "app/application.hpp"
#include "ui/qt/main_window.hpp"
#include "ui/qt/qt_prompter.hpp"

namespace quillon {

class Clock;
class HostControl;
class KeyState;
class Locale;
class ProcessLauncher;
class ProfileStore;
class SoundPlayer;

// The platform the Qt front end runs on; it brings its own prompter.
struct FrontEndPorts {
    HostControl& host;
    ProfileStore& profiles;
    Locale& locale;
    Clock& clock;
    SoundPlayer& sound;
    ProcessLauncher& launcher;
    KeyState& keys;
};

// The Application, its window and the modal boxes; a QApplication must exist first and the ports
// must outlive this object.
class QtFrontEnd {
public:
    explicit QtFrontEnd(const FrontEndPorts& ports);
    ~QtFrontEnd();
    QtFrontEnd(const QtFrontEnd&) = delete;
    QtFrontEnd& operator=(const QtFrontEnd&) = delete;

    // Shows the window, loads with the argument text once the event loop runs, tells
    // `started` when start-up is over (whether it worked or not), and runs the loop until the
    // window has closed. Returns 1 when start-up or the last save failed (the save's failure
    // shown in a box), else the loop's exit code.
    int Run(const std::string& argument_text, const std::function<void()>& started = {});
    int ExitStatus(int event_loop_status);

    Application& GetApplication() { return application_; }
    MainWindow& Window() { return window_; }

private:
    HostControl& host_;
    QtPrompter prompter_;
    Application application_;
    MainWindow window_;
    bool startup_failed_ = false;
};

}  // namespace quillon
