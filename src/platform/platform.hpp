// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

class Clock;
class Locale;
class ProcessLauncher;
class ProfileStore;

// The adapters every program shares, whatever its front end; the sound player, the key state
// and the prompter are the front end's own.
class Platform {
public:
    virtual ~Platform() = default;

    virtual ProfileStore& Profiles() = 0;
    virtual Locale& UserLocale() = 0;
    virtual Clock& SystemClock() = 0;
    virtual ProcessLauncher& Launcher() = 0;
    // Work between ticks: e-mail agents that have finished are reaped.
    virtual void Service() = 0;
    // Where a bare-named profile file lives, for the operator.
    virtual std::string ProfilePath(const std::string& file) const = 0;
    // The same profile code for the files of another folder (a settings file the user names).
    virtual std::unique_ptr<ProfileStore> ProfilesIn(const std::string& folder) const = 0;
};

// What the process needs before anything else, first thing in main(): standard descriptors
// that exist, and stop requests (signals, console events) heard from the start.
void PrepareProcess();

// Set once the operator or the system asked the program to stop (a signal, a closed console);
// front ends with a loop of their own poll it.
const std::atomic<bool>& StopRequested();
// Why it was asked to stop, for the line that says so ("SIGHUP (hang-up)").
std::string StopReason();

// How many times the operator asked, from outside the program, that every latched alarm be
// acknowledged (SIGUSR1); always 0 where the platform has no such request.
std::uint64_t AcknowledgeRequests();

// Lines the operator types or pipes to standard input, read without waiting. Nothing is read
// when standard input is neither a terminal nor a pipe (a file, /dev/null, none at all).
class ConsoleInput {
public:
    virtual ~ConsoleInput() = default;
    // The whole lines that have arrived since the last call, without their line ends.
    virtual std::vector<std::string> TakeLines() = 0;
};
std::unique_ptr<ConsoleInput> OpenConsoleInput();

// For --help: what asks the program to stop ("Ctrl+C, SIGTERM or SIGHUP"), and the paragraph
// on the hot keys, the e-mail agent and where the settings live here.
std::string StopRequestsText();
std::string PlatformHelpText();

// The platform this program was built for.
std::unique_ptr<Platform> CreatePlatform();

}  // namespace quillon
