// SPDX-License-Identifier: MIT
#include "platform/win32/win32_process_launcher.hpp"

#include <windows.h>

#include "platform/win32/com_text.hpp"

namespace quillon {
namespace {

bool NeedsQuotes(const std::string& word) {
    return word.empty() || word.find_first_of(" \t\n\v\"") != std::string::npos;
}

// The C runtime's rule: backslashes double only before a quote or the closing quote.
std::string Quoted(const std::string& word) {
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (const char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, '\\');
    return text + '"';
}

}  // namespace

std::string Win32ProcessLauncher::CommandLine(const std::string& program,
                                              const std::vector<std::string>& arguments) {
    std::string line = NeedsQuotes(program) ? Quoted(program) : program;
    for (const std::string& argument : arguments) {
        line += ' ';
        line += NeedsQuotes(argument) ? Quoted(argument) : argument;
    }
    return line;
}

bool Win32ProcessLauncher::Launch(const std::string& program,
                                  const std::vector<std::string>& arguments, std::string& error) {
    std::string line = CommandLine(program, arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // No application name: Windows finds a bare program name as it does for a typed command
    // (the program's folder, the current folder, the system folders, then PATH).
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        error = "cannot start " + program + ": " + SystemMessage(::GetLastError());
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

}  // namespace quillon
