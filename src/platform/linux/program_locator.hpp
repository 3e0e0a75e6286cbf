// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillon {

// Finds a helper program by its bare name: the full path in the environment variable
// QUILLON_<NAME> (upper case) first, else the file of that name beside Quillon's own program.
// A name with a "/" is a path already.
class ProgramLocator {
public:
    using Environment = std::function<const char*(const char* variable)>;

    // The process environment and the directory of /proc/self/exe.
    ProgramLocator();
    ProgramLocator(Environment environment, std::string own_directory);

    // The executable file, or nothing with the reason in `error`.
    std::optional<std::string> Locate(const std::string& program, std::string& error) const;

    static std::string VariableFor(const std::string& program);
    static std::string OwnDirectory();

private:
    std::optional<std::string> FromVariable(const std::string& program, const std::string& value,
                                            std::string& error) const;
    std::optional<std::string> BesideOwnProgram(const std::string& program,
                                                std::string& error) const;

    Environment environment_;
    std::string own_directory_;
};

}  // namespace quillon
