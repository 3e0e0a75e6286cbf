// SPDX-License-Identifier: MIT
#include "platform/win32/win32_platform.hpp"

#include "agent/contract/mail_agent_program.hpp"
#include "platform/win32/stop_events.hpp"

namespace quillon {

// The name the host's own agent has; Windows looks for it as for a typed command.
const char kMailAgentProgram[] = "Pellomar.exe";

void PrepareProcess() {
    StopEvents::Install();
}

const std::atomic<bool>& StopRequested() {
    return StopEvents::Requested();
}

std::string StopReason() {
    return StopEvents::Received();
}

// Windows has no user signal; the window's lamps and the hot key acknowledge there.
std::uint64_t AcknowledgeRequests() {
    return 0;
}

namespace {

class NoConsoleInput final : public ConsoleInput {
public:
    std::vector<std::string> TakeLines() override { return {}; }
};

}  // namespace

std::unique_ptr<ConsoleInput> OpenConsoleInput() {
    return std::make_unique<NoConsoleInput>();
}

std::string StopRequestsText() {
    return "Ctrl+C, Ctrl+Break or closing the console";
}

std::string PlatformHelpText() {
    return "The e-mail agent is the host's Pellomar.exe, found as Windows finds a typed\n"
           "command (this program's folder, the current folder, the system folders, PATH).\n"
           "\n"
           "Every run keeps an event log (JSON lines: run start and stop, each slot's change\n"
           "with the equation's numbers, modes, output writes, alarms, e-mails) in\n"
           "%LOCALAPPDATA%\\Quillon\\events\\NAME.jsonl, rotated at 10 MB, 10 files kept.\n"
           "There is no outbox on Windows: Pellomar.exe sends each e-mail itself.\n"
           "\n"
           "Settings: NorvaneAlarm.ini (and the agent's pellomar.ini) in the Windows folder,\n"
           "or in the user's VirtualStore\\Windows folder when Windows redirects the\n"
           "program's writes there; shared with every program that uses the same file.\n"
           "Installing, upgrading or removing Quillon leaves both files and the event log.\n";
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<Win32Platform>();
}

}  // namespace quillon
