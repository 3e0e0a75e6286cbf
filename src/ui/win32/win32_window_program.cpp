// SPDX-License-Identifier: MIT
#include "ui/win32/win32_window_program.hpp"

#include <memory>

#include "app/host_selection.hpp"
#include "host/host_error.hpp"
#include "platform/platform.hpp"
#include "platform/win32/win32_key_state.hpp"
#include "platform/win32/win32_sound_player.hpp"
#include "ui/win32/dpi.hpp"
#include "ui/win32/win32_front_end.hpp"
#ifdef QUILLON_WITH_WINDAQ
#include "host/windaq/windaq_host.hpp"
#endif

namespace quillon {

namespace {

// Options that belong to another front end: the console program.
std::string RefusedOption(const ProgramOptions& options) {
    if (options.headless || options.exit_on_stop) {
        return "quillon: --headless and --exit-on-stop are quillon-headless.exe's on Windows: "
               "run quillon-headless.exe from a console instead (see --help)";
    }
    return {};
}

}  // namespace

void ShowProgramText(const std::string& text, bool failure) {
    BecomeDpiAware();
    ShowMessageBox(nullptr, failure ? MessageIcon::Critical : MessageIcon::Information, text,
                   "Quillon");
}

int RunWin32WindowProgram(const ProgramOptions& options) {
    if (const std::string refused = RefusedOption(options); !refused.empty()) {
        ShowProgramText(refused, true);
        return kExitBadCommandLine;
    }
    BecomeDpiAware();
    std::unique_ptr<HostConnection> connection;
    try {
        connection = CreateSelectedHost(options.argument_text);
    } catch (const HostError& error) {
        ShowProgramText(std::string("Quillon could not start: ") + error.what(), true);
        return kExitFailed;
    } catch (const std::exception& error) {
        ShowProgramText(std::string("quillon: ") + error.what(), true);
        return kExitBadCommandLine;
    }
    const std::unique_ptr<Platform> platform = CreatePlatform();
    Win32SoundPlayer sound;
    Win32KeyState keys;
    Win32FrontEnd front_end({connection->Control(), platform->Profiles(), platform->UserLocale(),
                             platform->SystemClock(), sound, platform->Launcher(), keys});
    ReportHostProblems(*connection, front_end.GetApplication());
#ifdef QUILLON_WITH_WINDAQ
    // The host's control lives on the window, as on a form, and ends with it.
    if (auto* control = dynamic_cast<windaq::WinDaqHost*>(connection.get())) {
        control->MoveInto(front_end.Window().Handle());
    }
#endif
    front_end.Window().SetService([&connection, &platform, &front_end] {
        connection->Service();
        platform->Service();  // e-mail agents that have finished
        front_end.GetApplication().AgentsFinished();
    });
    return front_end.Run(options.argument_text, options.view);
}

}  // namespace quillon
