// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace quillon {

// Standard input as lines, when it is a terminal or a pipe: each call takes what is there
// without waiting (poll first, then one read), so the loop never stalls on it. The descriptor's
// own flags are left alone, since a terminal's are shared with the shell.
class PosixConsoleInput final : public ConsoleInput {
public:
    explicit PosixConsoleInput(int fd);
    std::vector<std::string> TakeLines() override;

private:
    static bool IsTerminalOrPipe(int fd);

    int fd_;
    bool open_;
    std::string partial_;  // a line whose end has not arrived yet
};

}  // namespace quillon
