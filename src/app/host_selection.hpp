// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "host/host_connection.hpp"

namespace quillon {

class Application;

// The -d text names a host this build does not have.
class HostSelectionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The host that the argument text's -d word selects: "sim" or no text is the built-in demo
// instrument, "sim:PATH" a scenario file. Other texts are left for real hosts, which this
// build does not have. Raises HostSelectionError, or ScenarioError for a bad scenario file.
// The one place that names concrete hosts: a new host is one entry in its table.
std::unique_ptr<HostConnection> CreateSelectedHost(const std::string& argument_text);

// The hosts this build has, for --help: wrapped lines, the first continuing "-dHOST ...".
std::string HostUsageText();

// What a host reports between calls goes to the window's status, in every front end.
void ReportHostProblems(HostConnection& connection, Application& application);

}  // namespace quillon
