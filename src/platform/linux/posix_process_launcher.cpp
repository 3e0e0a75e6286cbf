// SPDX-License-Identifier: MIT
#include "platform/linux/posix_process_launcher.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

extern char** environ;

namespace quillon {
namespace {

// Children of the process that have ended, counted by SIGCHLD, so that a look for finished
// children costs nothing while none has ended.
std::atomic<unsigned> g_children_ended{0};

extern "C" void CountEndedChild(int) {
    g_children_ended.fetch_add(1);
}

void CountEndedChildren() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = CountEndedChild;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
        return sigaction(SIGCHLD, &action, nullptr) == 0;
    }();
    (void)installed;
}

// The spawn settings, released on every path.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        // Quillon's own files are close-on-exec; this also keeps out what a library opened.
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
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

PosixProcessLauncher::PosixProcessLauncher(ProgramLocator locator) : locator_(std::move(locator)) {
    CountEndedChildren();
}

bool PosixProcessLauncher::Launch(const std::string& program,
                                  const std::vector<std::string>& arguments, std::string& error) {
    ReapFinished();
    if (children_.size() >= kMaxRunning) {
        CollectEnded();  // in case a SIGCHLD went elsewhere
    }
    if (children_.size() >= kMaxRunning) {
        error = "The program " + program + " was not started: the " + std::to_string(kMaxRunning) +
                " started before it are still running (at most " + std::to_string(kMaxRunning) +
                " run at once)";
        return false;
    }
    const std::optional<std::string> path = locator_.Locate(program, error);
    return path && Spawn(program, *path, arguments, error);
}

bool PosixProcessLauncher::Spawn(const std::string& program, const std::string& path,
                                 const std::vector<std::string>& arguments, std::string& error) {
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
    children_.push_back({child, {program, arguments}});
    return true;
}

void PosixProcessLauncher::ReapFinished() {
    const unsigned ended = g_children_ended.load();
    if (ended == children_ended_seen_) {
        return;  // no child of the process has ended since the last look
    }
    // Read before the look: a child that ends during it counts for the next one.
    children_ended_seen_ = ended;
    CollectEnded();
}

std::vector<FinishedProcess> PosixProcessLauncher::TakeFinished() {
    ReapFinished();
    std::vector<FinishedProcess> finished;
    finished.swap(finished_);
    return finished;
}

void PosixProcessLauncher::CollectEnded() {
    const auto ended = [this](Child& child) {
        int status = 0;
        pid_t result = 0;
        do {
            result = waitpid(child.id, &status, WNOHANG);
        } while (result == -1 && errno == EINTR);
        if (result == child.id) {
            child.started.exited = WIFEXITED(status);
            child.started.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
            finished_.push_back(std::move(child.started));
            if (finished_.size() > kMaxRunning * 4) {
                finished_.erase(finished_.begin());  // nobody asks: keep only the newest
            }
        }
        // Any other error means there is nothing left to collect for this id.
        return result != 0;
    };
    children_.erase(std::remove_if(children_.begin(), children_.end(), ended), children_.end());
}

}  // namespace quillon
