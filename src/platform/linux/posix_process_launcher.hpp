// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <vector>

#include "platform/linux/program_locator.hpp"
#include "platform/process_launcher.hpp"

namespace quillon {

// Starts programs with posix_spawn and an argument vector, so that no shell ever reads an
// argument. Children get /dev/null as input and a process group of their own (a Ctrl+C meant
// for Quillon does not reach them), and are collected without SIGCHLD: on every Launch and by
// ReapFinished, each by its own id, so that no other child of the process is touched.
class PosixProcessLauncher final : public ProcessLauncher {
public:
    PosixProcessLauncher() = default;
    explicit PosixProcessLauncher(ProgramLocator locator) : locator_(std::move(locator)) {}
    ~PosixProcessLauncher() override { ReapFinished(); }
    PosixProcessLauncher(const PosixProcessLauncher&) = delete;
    PosixProcessLauncher& operator=(const PosixProcessLauncher&) = delete;

    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                std::string& error) override;
    // Collects the children that have ended, so that none stays a zombie.
    void ReapFinished();
    // Children started and not yet collected.
    std::size_t Unreaped() const { return children_.size(); }

private:
    bool Spawn(const std::string& path, const std::vector<std::string>& arguments,
               std::string& error);

    ProgramLocator locator_;
    std::vector<pid_t> children_;
};

}  // namespace quillon
