// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

namespace quillon {

// An equation that cannot be evaluated: where reading stopped and why.
class EvaluationError : public std::runtime_error {
public:
    EvaluationError(std::size_t position, std::string reason)
        : std::runtime_error(reason + " at position " + std::to_string(position)),
          position_(position),
          reason_(std::move(reason)) {}

    // 0-based character offset in the evaluated text.
    std::size_t Position() const noexcept { return position_; }
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::size_t position_;
    std::string reason_;
};

}  // namespace quillon
