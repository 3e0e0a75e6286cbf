// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace quillon::sim {

// A scenario that cannot be read; the message reads "source:line: what is wrong".
class ScenarioError : public std::runtime_error {
public:
    explicit ScenarioError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace quillon::sim
