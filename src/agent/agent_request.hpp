// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon::agent {

// What one run of the agent was asked to do, read from its arguments.
struct AgentRequest {
    enum class Kind { Queue, Status, Test, Help, Version, Invalid };
    Kind kind = Kind::Invalid;
    std::string event_word;  // "Alarm@Line_3": the event, with the sender id after "@"
    std::string message;     // the "<br>" text, one argument
    std::string problem;     // why the arguments were refused

    // Quillon's command line "Global Norvane EVENT[@SENDER] MESSAGE", or one option.
    static AgentRequest FromArguments(const std::vector<std::string>& arguments);
};

inline constexpr char kUsage[] =
    "usage: pellomar Global Norvane EVENT[@SENDER] MESSAGE   queue an e-mail and deliver it\n"
    "       pellomar --status                             what is queued, failed, delivered\n"
    "       pellomar --test                               send a test e-mail now\n"
    "       pellomar --help | --version\n"
    "exit status: 0 queued; 1 not queued; 2 bad command line; queued but cannot leave:\n"
    "  3 [Mail] settings incomplete (or, for --test, a value refused), 4 password file\n"
    "  unusable, 5 (--test) not accepted by the server yet, 6 deliverer.lock cannot be opened\n";

}  // namespace quillon::agent
