// SPDX-License-Identifier: MIT
#include "agent/agent_request.hpp"

namespace quillon::agent {
namespace {

AgentRequest Refused(std::string problem) {
    AgentRequest request;
    request.problem = std::move(problem);
    return request;
}

AgentRequest Option(const std::string& option) {
    AgentRequest request;
    if (option == "--status") {
        request.kind = AgentRequest::Kind::Status;
    } else if (option == "--test") {
        request.kind = AgentRequest::Kind::Test;
    } else if (option == "--help" || option == "-h") {
        request.kind = AgentRequest::Kind::Help;
    } else if (option == "--version") {
        request.kind = AgentRequest::Kind::Version;
    } else {
        request.problem = "unknown option " + option;
    }
    return request;
}

}  // namespace

AgentRequest AgentRequest::FromArguments(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1) {
        return Option(arguments[0]);
    }
    if (arguments.size() != 4) {
        return Refused("expected 4 arguments (Global Norvane EVENT MESSAGE), got " +
                       std::to_string(arguments.size()));
    }
    if (arguments[0] != "Global" || arguments[1] != "Norvane") {
        return Refused("the first two arguments must be \"Global Norvane\"");
    }
    if (arguments[2].empty() || arguments[2].front() == '@') {
        return Refused("the event word is empty");
    }
    AgentRequest request;
    request.kind = Kind::Queue;
    request.event_word = arguments[2];
    request.message = arguments[3];
    return request;
}

}  // namespace quillon::agent
