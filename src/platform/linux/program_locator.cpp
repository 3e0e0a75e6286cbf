// SPDX-License-Identifier: MIT
#include "platform/linux/program_locator.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quillon {
namespace {

bool IsExecutableFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored) && access(path.c_str(), X_OK) == 0;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

ProgramLocator::ProgramLocator()
    : ProgramLocator([](const char* variable) { return std::getenv(variable); }, OwnDirectory()) {}

ProgramLocator::ProgramLocator(Environment environment, std::string own_directory)
    : environment_(std::move(environment)), own_directory_(std::move(own_directory)) {}

std::optional<std::string> ProgramLocator::Locate(const std::string& program,
                                                  std::string& error) const {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* value = environment_(VariableFor(program).c_str());
    if (value != nullptr && *value != '\0') {
        // A variable that is set decides: falling back would hide a mistyped path.
        return FromVariable(program, value, error);
    }
    return BesideOwnProgram(program, error);
}

std::optional<std::string> ProgramLocator::FromVariable(const std::string& program,
                                                        const std::string& value,
                                                        std::string& error) const {
    if (IsExecutableFile(value)) {
        return value;
    }
    error = "The program " + program + " was not found: " + VariableFor(program) + " names " +
            Quoted(value) + ", which is not an executable file";
    return std::nullopt;
}

std::optional<std::string> ProgramLocator::BesideOwnProgram(const std::string& program,
                                                            std::string& error) const {
    const std::string path = (std::filesystem::path(own_directory_) / program).string();
    if (!own_directory_.empty() && IsExecutableFile(path)) {
        return path;
    }
    error = "The program " + program + " was not found: " + VariableFor(program) +
            " is not set and " + Quoted(path) + " is not an executable file";
    return std::nullopt;
}

std::string ProgramLocator::VariableFor(const std::string& program) {
    std::string variable = "QUILLON_";
    for (const char c : program) {
        const bool alphanumeric =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        variable +=
            alphanumeric ? static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) : '_';
    }
    return variable;
}

std::string ProgramLocator::OwnDirectory() {
    std::error_code error;
    const std::filesystem::path own = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : own.parent_path().string();
}

}  // namespace quillon
