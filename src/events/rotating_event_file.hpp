// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>

#include "events/event_file.hpp"

namespace quillon {

// How large the log grows before it moves aside, and how many files are kept (the current
// one included).
struct RotationLimits {
    std::uint64_t max_bytes = 10 * 1024 * 1024;
    int files_kept = 10;
};

// A log file that moves aside when it would grow past the limit: NAME.jsonl becomes
// NAME.jsonl.1, NAME.jsonl.1 becomes NAME.jsonl.2, and so on; the oldest beyond the limit goes.
// A move happens only between whole appends, so no line is ever split across files. The
// folder is made when the first append comes.
class RotatingEventFile final : public EventFile {
public:
    RotatingEventFile(std::filesystem::path path, RotationLimits limits = {});

    bool Append(std::string_view bytes, std::string& error) override;
    std::string Name() const override { return path_.string(); }

    // The file `age` moves old: 0 the current one.
    std::filesystem::path PathOf(int age) const;

private:
    bool Prepare(std::string& error);
    bool Rotate(std::string& error);

    std::filesystem::path path_;
    RotationLimits limits_;
    bool prepared_ = false;
    std::uint64_t size_ = 0;
};

// "events" in the user's state folder (UserStateFolder).
std::filesystem::path DefaultEventFolder();
// The instance's log file name: HOSTID.jsonl, with characters a file name cannot hold (path
// separators, control characters, a leading dot) replaced by "_".
std::string EventFileName(const std::string& host_id);

}  // namespace quillon
