// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Where the event log's lines go: whole lines, appended in one write call each time.
class EventFile {
public:
    virtual ~EventFile() = default;
    // False, with the reason in `error`, when the bytes could not be written.
    virtual bool Append(std::string_view bytes, std::string& error) = 0;
    // Where the lines go, for the operator.
    virtual std::string Name() const = 0;
};

}  // namespace quillon
