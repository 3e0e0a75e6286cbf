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

// A digital-output write that the instrument refused, found out after the write was handed
// on; the message says so ("output write refused: ...").
class OutputWriteRefused : public HostError {
public:
    explicit OutputWriteRefused(const std::string& what) : HostError(what) {}
};

// A host that stopped waiting for its device because the program is ending.
class HostWaitAbandoned : public HostError {
public:
    explicit HostWaitAbandoned(const std::string& what) : HostError(what) {}
};

}  // namespace quillon
