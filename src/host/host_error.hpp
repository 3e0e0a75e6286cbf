// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

// Raised by every HostControl operation that the host could not carry out.
class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace quillon
