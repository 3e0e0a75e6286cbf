// SPDX-License-Identifier: MIT
#pragma once

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fakes/temp_directory.hpp"

namespace quillon::testing {

// An agent program that never ends: each run notes its process id in a file of its own and
// sleeps. The runs still alive are killed when this goes.
class HungAgents {
public:
    HungAgents(const TempDirectory& directory, const std::string& name)
        : directory_(directory),
          program_(directory.Write(name,
                                   "#!/bin/sh\n"
                                   "echo $$ > \"$0.$$.tmp\"\n"
                                   "mv \"$0.$$.tmp\" \"$0.$$.pid\"\n"
                                   "exec sleep 60\n",
                                   0755)) {}
    ~HungAgents() {
        for (const pid_t pid : Started()) {
            kill(pid, SIGKILL);
        }
    }
    HungAgents(const HungAgents&) = delete;
    HungAgents& operator=(const HungAgents&) = delete;

    const std::string& Program() const { return program_; }

    // The process ids of the runs that have started so far.
    std::vector<pid_t> Started() const {
        std::vector<pid_t> pids;
        for (const auto& entry : std::filesystem::directory_iterator(directory_.Path())) {
            if (entry.path().extension() == ".pid") {
                pid_t pid = 0;
                std::ifstream(entry.path()) >> pid;
                pids.push_back(pid);
            }
        }
        return pids;
    }

    // Waits, but not for ever, until at least `count` runs have started; returns how many have.
    std::size_t WaitForStarted(std::size_t count) const {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Started().size() < count && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return Started().size();
    }

private:
    const TempDirectory& directory_;
    std::string program_;
};

}  // namespace quillon::testing
