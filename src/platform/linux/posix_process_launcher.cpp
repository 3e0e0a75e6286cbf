// SPDX-License-Identifier: MIT
#include "platform/linux/posix_process_launcher.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

extern char** environ;

namespace quillon {
namespace {

// The spawn settings, released on every path.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        // Own process group, no blocked signals, every signal back to its default action.
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attributes_, 0);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes_, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes_, &signals);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// argv for the program: its path, then the arguments, each one exactly as given.
std::vector<char*> ArgumentVector(const std::string& path,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

bool PosixProcessLauncher::Launch(const std::string& program,
                                  const std::vector<std::string>& arguments, std::string& error) {
    ReapFinished();
    const std::optional<std::string> path = locator_.Locate(program, error);
    return path && Spawn(*path, arguments, error);
}

bool PosixProcessLauncher::Spawn(const std::string& path, const std::vector<std::string>& arguments,
                                 std::string& error) {
    const SpawnSettings settings;
    std::vector<char*> argv = ArgumentVector(path, arguments);
    pid_t child = 0;
    const int result = posix_spawn(&child, path.c_str(), settings.Actions(), settings.Attributes(),
                                   argv.data(), environ);
    if (result != 0) {
        error = "The program \"" + path +
                "\" could not be started: " + std::generic_category().message(result);
        return false;
    }
    children_.push_back(child);
    return true;
}

void PosixProcessLauncher::ReapFinished() {
    const auto ended = [](pid_t child) {
        int status = 0;
        pid_t result = 0;
        do {
            result = waitpid(child, &status, WNOHANG);
        } while (result == -1 && errno == EINTR);
        // Any other error means there is nothing left to collect for this id.
        return result != 0;
    };
    children_.erase(std::remove_if(children_.begin(), children_.end(), ended), children_.end());
}

}  // namespace quillon
