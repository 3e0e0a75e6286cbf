// SPDX-License-Identifier: MIT
#include "platform/linux/linux_platform.hpp"

#include <unistd.h>

#include "agent/contract/mail_agent_program.hpp"
#include "platform/linux/acknowledge_signal.hpp"
#include "platform/linux/posix_console_input.hpp"
#include "platform/linux/profile_directory.hpp"
#include "platform/linux/standard_descriptors.hpp"
#include "platform/linux/stop_signals.hpp"

namespace quillon {

// Resolved by the launcher: QUILLON_PELLOMAR, beside Quillon, or on the PATH.
const char kMailAgentProgram[] = "pellomar";

LinuxPlatform::LinuxPlatform() : profiles_(ProfileDirectory()) {}

std::string LinuxPlatform::ProfilePath(const std::string& file) const {
    return profiles_.PathOf(file).string();
}

void PrepareProcess() {
    OpenMissingStandardDescriptors();
    StopSignals::Install();
    AcknowledgeSignal::Install();
}

std::uint64_t AcknowledgeRequests() {
    return AcknowledgeSignal::Count();
}

std::unique_ptr<ConsoleInput> OpenConsoleInput() {
    return std::make_unique<PosixConsoleInput>(STDIN_FILENO);
}

const std::atomic<bool>& StopRequested() {
    return StopSignals::Requested();
}

std::string StopReason() {
    return StopSignals::Describe(StopSignals::Received());
}

std::string StopRequestsText() {
    return "Ctrl+C, SIGTERM or SIGHUP";
}

std::string PlatformHelpText() {
    return "Global hot keys (Ctrl+Alt+key while \"Global Key\" is checked) read the X11\n"
           "keyboard; under Wayland without XWayland, and in --headless, they are off.\n"
           "The e-mail agent is the program \"pellomar\": $QUILLON_PELLOMAR when set, otherwise\n"
           "beside this program. It is started as: pellomar Global Norvane EVENT MESSAGE\n"
           "\n"
           "Every run keeps an event log (JSON lines: run start and stop, each slot's change\n"
           "with the equation's numbers, modes, output writes, alarms, e-mails) in\n"
           "$XDG_STATE_HOME/quillon/events/NAME.jsonl (default ~/.local/state/quillon/...),\n"
           "rotated at 10 MB, 10 files kept.\n"
           "\n"
           "In --headless, SIGUSR1 acknowledges every latched alarm, and so does the line\n"
           "\"ack all\" on standard input (a terminal or a pipe); \"ack N\" acknowledges slot N.\n"
           "\n"
           "With fleet.ini beside NorvaneAlarm.ini, the instance publishes its state and every\n"
           "event-log line to an MQTT broker, and quillon-fleet shows every instance (see the\n"
           "README's \"Fleet\").\n"
           "\n"
           "Settings: NorvaneAlarm.ini (and the e-mail agent's pellomar.ini) in $" +
           std::string(kProfileDirectoryVariable) +
           ",\n"
           "otherwise in $XDG_CONFIG_HOME/quillon, otherwise in ~/.config/quillon.\n";
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace quillon
