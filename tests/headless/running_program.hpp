// SPDX-License-Identifier: MIT
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillon::testing {

// How a program under test is started: its arguments, environment additions, where its
// standard input comes from (-1: /dev/null), where its standard output and error go (-1:
// closed), and signals blocked when it starts.
struct ProgramStart {
    std::string program;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    int standard_input = -1;
    int standard_output = -1;
    int standard_error = -1;
    std::vector<int> blocked_signals;
};

// A real child process, killed and collected if the test leaves it running.
class RunningProgram {
public:
    explicit RunningProgram(const ProgramStart& start);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t Id() const { return pid_; }
    void Signal(int signal) const;
    bool StillRunning();
    // The wait status, or -1 when it did not end within a generous time (it is then killed).
    int WaitForExit(std::chrono::milliseconds patience = std::chrono::seconds(10));

private:
    pid_t pid_ = -1;
    bool collected_ = false;
};

// Waits, but not forever, for a condition that another process makes true.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds patience = std::chrono::seconds(10));

std::string ReadWholeFile(const std::string& path);

}  // namespace quillon::testing
