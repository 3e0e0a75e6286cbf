// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// A line an operator typed to acknowledge latched alarms: "ack N" (N a slot, 0 to 9) or
// "ack all". Blanks around the words do not matter.
struct AcknowledgeCommand {
    enum class Kind { Nothing, Slot, All, Invalid };
    Kind kind = Kind::Nothing;  // Nothing: an empty line
    int slot = 0;               // for Slot
    std::string error;          // for Invalid: what is wrong, for the operator
};

AcknowledgeCommand ParseAcknowledgeCommand(std::string_view line);

}  // namespace quillon
