// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon {

// Starts helper programs such as the e-mail agent.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `program` (a bare name the platform resolves, or a path) with these arguments,
    // each passed as one argument whatever characters it holds, without a window and without
    // waiting for it. Returns false, with the reason in `error`, when it could not be started.
    virtual bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                        std::string& error) = 0;
};

}  // namespace quillon
