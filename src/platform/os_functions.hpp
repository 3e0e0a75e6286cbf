// SPDX-License-Identifier: MIT
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

namespace quillon {

// The few operating-system calls that portable code needs, each with the same meaning on every
// platform.

// Where the program keeps what it writes for itself (the event logs): $XDG_STATE_HOME/quillon,
// else ~/.local/state/quillon on Linux; %LOCALAPPDATA%\Quillon on Windows.
std::filesystem::path UserStateFolder();

// The calendar time in the user's time zone.
std::tm LocalCalendarTime(std::time_t seconds);

// A descriptor for reading the whole of a file, in binary; not inherited by started programs,
// and never held up by a FIFO or a terminal. -1 with errno set when it cannot be opened.
int OpenForReading(const std::string& path);

// A descriptor that appends to a file, created when missing; not inherited by started
// programs. -1 with errno set when it cannot be opened.
int OpenForAppending(const std::string& path);

}  // namespace quillon
