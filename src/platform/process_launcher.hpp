// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace quillon {

// A started program that has ended, with what it was started with.
struct FinishedProcess {
    std::string program;
    std::vector<std::string> arguments;
    bool exited = false;  // ended by itself; otherwise a signal ended it
    int status = 0;       // the exit status, or the signal's number
};

// Starts helper programs such as the e-mail agent.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `program` (a bare name the platform resolves, or a path) with these arguments,
    // each passed as one argument whatever characters it holds, without a window and without
    // waiting for it. Returns false, with the reason in `error`, when it could not be started.
    virtual bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                        std::string& error) = 0;
    // The started programs that have ended since the last call, each told once.
    virtual std::vector<FinishedProcess> TakeFinished() { return {}; }
};

}  // namespace quillon
