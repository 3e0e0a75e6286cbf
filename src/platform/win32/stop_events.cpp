// SPDX-License-Identifier: MIT
#include "platform/win32/stop_events.hpp"

#include <windows.h>

namespace quillon {
namespace {

std::atomic<bool> requested{false};
std::atomic<DWORD> received{~DWORD{0}};

// Windows ends the process as soon as the handler of a close, log-off or shut-down event
// returns (and after about five seconds in any case): the handler holds on so that the main
// thread can stop the run and save the settings first; the program's own exit then ends it.
constexpr DWORD kTimeToSave = 4500;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    received.store(event);
    requested.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        ::Sleep(kTimeToSave);
    }
    return TRUE;
}

}  // namespace

void StopEvents::Install() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

const std::atomic<bool>& StopEvents::Requested() {
    return requested;
}

std::string StopEvents::Received() {
    switch (received.load()) {
        case CTRL_C_EVENT:
            return "Ctrl+C";
        case CTRL_BREAK_EVENT:
            return "Ctrl+Break";
        case CTRL_CLOSE_EVENT:
            return "console closed";
        case CTRL_LOGOFF_EVENT:
            return "log-off";
        case CTRL_SHUTDOWN_EVENT:
            return "shut-down";
        default:
            return {};
    }
}

}  // namespace quillon
