// SPDX-License-Identifier: MIT
#include "headless/running_program.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quillon::testing {
namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& additions) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (additions.count(text.substr(0, text.find('='))) == 0) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : additions) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

void Redirect(posix_spawn_file_actions_t& actions, int from, int to) {
    if (from < 0) {
        posix_spawn_file_actions_addclose(&actions, to);
    } else {
        posix_spawn_file_actions_adddup2(&actions, from, to);
    }
}

}  // namespace

RunningProgram::RunningProgram(const ProgramStart& start) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (start.standard_input < 0) {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, start.standard_input, STDIN_FILENO);
    }
    Redirect(actions, start.standard_output, STDOUT_FILENO);
    Redirect(actions, start.standard_error, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : start.blocked_signals) {
        sigaddset(&blocked, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::vector<std::string> argument_texts{start.program};
    argument_texts.insert(argument_texts.end(), start.arguments.begin(), start.arguments.end());
    std::vector<std::string> environment = Environment(start.environment);
    const int result = posix_spawn(&pid_, start.program.c_str(), &actions, &attributes,
                                   Pointers(argument_texts).data(), Pointers(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw std::runtime_error("cannot start " + start.program);
    }
}

RunningProgram::~RunningProgram() {
    if (!collected_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void RunningProgram::Signal(int signal) const {
    kill(pid_, signal);
}

bool RunningProgram::StillRunning() {
    if (collected_) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        return true;
    }
    collected_ = true;
    return false;
}

int RunningProgram::WaitForExit(std::chrono::milliseconds patience) {
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, patience);
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    collected_ = true;
    return ended ? status : -1;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds patience) {
    const auto give_up = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quillon::testing
