// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

// A token could not be given a number: the tick's blocks do not hold what it names.
class SubstitutionError : public std::runtime_error {
public:
    explicit SubstitutionError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace quillon
