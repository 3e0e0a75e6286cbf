// SPDX-License-Identifier: MIT
// pellomar, Quillon's e-mail agent.
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "agent/agent_program.hpp"
#include "agent/agent_state.hpp"
#include "agent/contract/mail_agent_exit.hpp"
#include "agent/printable_text.hpp"
#include "platform/linux/profile_directory.hpp"
#include "platform/linux/standard_descriptors.hpp"

int main(int argc, char** argv) {
    // Files opened later must never become standard output.
    quillon::OpenMissingStandardDescriptors();
    // A server that drops the connection must give an error to retry, not end the agent.
    static_cast<void>(std::signal(SIGPIPE, SIG_IGN));
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        quillon::agent::AgentProgram program(quillon::ProfileDirectory() / "pellomar.ini",
                                             quillon::agent::AgentState::DefaultFolder(), std::cout,
                                             std::cerr);
        return program.Run(arguments);
    } catch (const std::exception& failure) {
        // Whatever a file or folder did, the caller gets a status and a reason, not an abort.
        std::cerr << "pellomar: " << quillon::agent::Printable(failure.what()) << "\n";
        return static_cast<int>(quillon::MailAgentExit::NotQueued);
    }
}
