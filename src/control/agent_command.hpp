// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "agent/contract/mail_agent_program.hpp"

namespace quillon {

// The e-mail agent is kMailAgentProgram, resolved by the process launcher.
inline constexpr char kAlarmEvent[] = "Alarm";
inline constexpr char kHostExitEvent[] = "WinDaq_Exits";
inline constexpr char kKeepAliveEvent[] = "KeepAlive";
// A run that stopped by itself has stayed stopped for StopEmailAfter seconds; it resumed.
inline constexpr char kRunStoppedEvent[] = "RunStopped";
inline constexpr char kRunResumedEvent[] = "RunResumed";

// One launch of the e-mail agent. Its Windows command line is "Pellomar.exe Global Norvane",
// the event word, the sender suffix ("@" with the sender id, then one space; or one space
// alone) and the message. As an argument vector the same words are: "Global", "Norvane", the
// event word with the "@" part attached and the separating space dropped, and the message as
// one argument whatever characters it holds.
class AgentCommand {
public:
    AgentCommand(std::string event, std::string sender_suffix, std::string message)
        : event_(std::move(event)),
          sender_suffix_(std::move(sender_suffix)),
          message_(std::move(message)) {}

    // "Pellomar.exe Global Norvane Alarm@Line_3 14:03:07<br>...", as Windows would run it.
    std::string CommandLine() const;
    // {"Global", "Norvane", "Alarm@Line_3", "14:03:07<br>..."}.
    std::vector<std::string> Arguments() const;
    std::string EventWord() const;

private:
    std::string event_;
    std::string sender_suffix_;
    std::string message_;
};

}  // namespace quillon
