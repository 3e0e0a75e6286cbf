// SPDX-License-Identifier: MIT
#include "app/acknowledge_command.hpp"

#include <sstream>

#include "panel/panel.hpp"

namespace quillon {

AcknowledgeCommand ParseAcknowledgeCommand(std::string_view line) {
    std::istringstream words{std::string(line)};
    std::string verb;
    std::string target;
    std::string rest;
    words >> verb >> target >> rest;
    AcknowledgeCommand command;
    if (verb.empty()) {
        return command;
    }
    if (verb == "ack" && target == "all" && rest.empty()) {
        command.kind = AcknowledgeCommand::Kind::All;
        return command;
    }
    if (verb == "ack" && target.size() == 1 && target[0] >= '0' &&
        target[0] < static_cast<char>('0' + kSlotCount) && rest.empty()) {
        command.kind = AcknowledgeCommand::Kind::Slot;
        command.slot = target[0] - '0';
        return command;
    }
    command.kind = AcknowledgeCommand::Kind::Invalid;
    command.error = "not understood: \"" + std::string(line) +
                    "\" (type \"ack N\" for slot N, 0 to 9, or \"ack all\")";
    return command;
}

}  // namespace quillon
