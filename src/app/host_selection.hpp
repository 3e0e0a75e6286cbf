// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "host/sim/simulated_instrument.hpp"

namespace quillon {

// The -d text names a host this build does not have.
class HostSelectionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The host that the argument text's -d word selects: "sim" or no text is the built-in demo
// instrument, "sim:PATH" a scenario file. Other texts are left for real hosts, which this
// build does not have. Raises HostSelectionError, or ScenarioError for a bad scenario file.
std::unique_ptr<sim::SimulatedInstrument> CreateSelectedHost(const std::string& argument_text);

}  // namespace quillon
