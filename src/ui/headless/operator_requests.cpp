// SPDX-License-Identifier: MIT
#include "ui/headless/operator_requests.hpp"

#include "app/acknowledge_command.hpp"

namespace quillon {

OperatorRequests::OperatorRequests(Application& application, ConsolePrinter& notices,
                                   std::unique_ptr<ConsoleInput> input)
    : application_(application),
      notices_(notices),
      input_(std::move(input)),
      signals_seen_(AcknowledgeRequests()) {}

void OperatorRequests::Service() {
    // Signals that came together count as one request: acknowledging twice ends nothing more.
    if (const std::uint64_t signals = AcknowledgeRequests(); signals != signals_seen_) {
        signals_seen_ = signals;
        Acknowledge(Application::kAllSlots, AckSource::Signal, "SIGUSR1");
    }
    if (!input_) {
        return;
    }
    for (const std::string& line : input_->TakeLines()) {
        const AcknowledgeCommand command = ParseAcknowledgeCommand(line);
        switch (command.kind) {
            case AcknowledgeCommand::Kind::All:
                Acknowledge(Application::kAllSlots, AckSource::Console, "ack all");
                break;
            case AcknowledgeCommand::Kind::Slot:
                Acknowledge(command.slot, AckSource::Console,
                            "ack " + std::to_string(command.slot));
                break;
            case AcknowledgeCommand::Kind::Invalid:
                notices_.Line(command.error);
                break;
            case AcknowledgeCommand::Kind::Nothing:
                break;
        }
    }
}

void OperatorRequests::Acknowledge(int slot, AckSource source, const std::string& what) {
    const int ended = application_.Acknowledge(slot, source);
    if (ended == 0) {
        notices_.Line(what + ": nothing latched");
    } else {
        notices_.Line(what + ": " + std::to_string(ended) + (ended == 1 ? " latch" : " latches") +
                      " acknowledged");
    }
}

}  // namespace quillon
