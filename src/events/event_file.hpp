// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// Where the event log's lines go: whole lines, appended in one write call each time.
class EventFile {
public:
    virtual ~EventFile() = default;
    // Appends `bytes`, whole lines; returns how many of them are now in the file, always a run
    // of whole lines from the start: a line is there whole or not at all. Less than all, with
    // the reason in `error`, when the rest could not be written.
    virtual std::size_t Append(std::string_view bytes, std::string& error) = 0;
    // True when the file that took lines before is gone (deleted, with its folder or alone):
    // the next append starts it again, without the lines it had.
    virtual bool Vanished() const { return false; }
    // Where the lines go, for the operator.
    virtual std::string Name() const = 0;
};

}  // namespace quillon
