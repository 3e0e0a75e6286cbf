// SPDX-License-Identifier: MIT
#include "control/agent_command.hpp"

namespace quillon {

std::string AgentCommand::CommandLine() const {
    return "Pellomar.exe Global Norvane " + event_ + sender_suffix_ + message_;
}

std::vector<std::string> AgentCommand::Arguments() const {
    return {"Global", "Norvane", EventWord(), message_};
}

// The suffix's last space only separates the words on a command line.
std::string AgentCommand::EventWord() const {
    std::string word = event_ + sender_suffix_;
    if (!sender_suffix_.empty() && word.back() == ' ') {
        word.pop_back();
    }
    return word;
}

}  // namespace quillon
