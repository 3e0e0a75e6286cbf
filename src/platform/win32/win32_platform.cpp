// SPDX-License-Identifier: MIT
#include "platform/win32/win32_platform.hpp"

#include "platform/mail_agent_program.hpp"
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

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<Win32Platform>();
}

}  // namespace quillon
