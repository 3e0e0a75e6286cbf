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
// for Quillon does not reach them), and only descriptors 0 to 2. They are collected on every
// Launch and by ReapFinished, each by its own id, so that no other child of the process is
// touched; a SIGCHLD counter tells when one has ended, so that the look costs nothing
// otherwise. At most kMaxRunning run at once; past that, Launch refuses.
class PosixProcessLauncher final : public ProcessLauncher {
public:
    // A hung or slow e-mail agent with an alarm that keeps coming back would otherwise start a
    // process per alarm, without end (1,500 in a minute, until the system runs out of process
    // ids). Mail that flows never needs more than a few agents at once, since each ends within
    // seconds; 16 leaves room for bursts and bounds what a hung agent costs.
    static constexpr std::size_t kMaxRunning = 16;

    PosixProcessLauncher() : PosixProcessLauncher(ProgramLocator()) {}
    explicit PosixProcessLauncher(ProgramLocator locator);
    ~PosixProcessLauncher() override { ReapFinished(); }
    PosixProcessLauncher(const PosixProcessLauncher&) = delete;
    PosixProcessLauncher& operator=(const PosixProcessLauncher&) = delete;

    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                std::string& error) override;
    std::vector<FinishedProcess> TakeFinished() override;
    // Collects the children that have ended, so that none stays a zombie; a no-op while none
    // has ended since the last call.
    void ReapFinished();
    // Children started and not yet collected.
    std::size_t Unreaped() const { return children_.size(); }

private:
    struct Child {
        pid_t id;
        FinishedProcess started;  // what it was started with, completed when it ends
    };

    bool Spawn(const std::string& program, const std::string& path,
               const std::vector<std::string>& arguments, std::string& error);
    // Waits on each child without blocking and forgets those that have ended.
    void CollectEnded();

    ProgramLocator locator_;
    std::vector<Child> children_;
    std::vector<FinishedProcess> finished_;
    unsigned children_ended_seen_ = 0;
};

}  // namespace quillon
