// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/process_launcher.hpp"

namespace quillon::testing {

// Records every launch; fails with `failure` while it is not empty.
class RecordingLauncher final : public ProcessLauncher {
public:
    struct Launched {
        std::string program;
        std::vector<std::string> arguments;
    };
    std::vector<Launched> launched;
    std::string failure;
    std::vector<FinishedProcess> finished;  // told once by the next TakeFinished

    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                std::string& error) override {
        launched.push_back({program, arguments});
        error = failure;
        return failure.empty();
    }
    std::vector<FinishedProcess> TakeFinished() override {
        std::vector<FinishedProcess> taken;
        taken.swap(finished);
        return taken;
    }
};

}  // namespace quillon::testing
