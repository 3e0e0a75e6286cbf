// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "events/event_file.hpp"

namespace quillon {

// How large the log grows before it moves aside, and how many files are kept (the current
// one included).
struct RotationLimits {
    std::uint64_t max_bytes = std::uint64_t{10} * 1024 * 1024;
    int files_kept = 10;
};

// A log file that moves aside when it would grow past the limit: NAME.jsonl becomes
// NAME.jsonl.1, NAME.jsonl.1 becomes NAME.jsonl.2, and so on; the oldest beyond the limit goes.
// A move happens only between whole appends, so no line is ever split across files. The
// folder is made when an append finds it missing.
class RotatingEventFile final : public EventFile {
public:
    RotatingEventFile(std::filesystem::path path, RotationLimits limits = {});

    std::size_t Append(std::string_view bytes, std::string& error) override;
    std::string Name() const override { return path_.string(); }
    bool Vanished() const override;

    // The file `age` moves old: 0 the current one.
    std::filesystem::path PathOf(int age) const;

private:
    std::FILE* Open(std::string& error) const;
    bool Rotate(std::string& error);

    std::filesystem::path path_;
    RotationLimits limits_;
    bool written_ = false;  // a line went into the file
};

// A limit that is never reached: one file that keeps every line (a replay's own log).
inline constexpr RotationLimits kNoRotation{UINT64_MAX, 1};

// "events" in the user's state folder (UserStateFolder).
std::filesystem::path DefaultEventFolder();

// The longest file name stem an instance's log gets: room is left for ".jsonl.NN" within the
// 255 bytes file systems allow.
inline constexpr std::size_t kLongestFileStem = 200;
// What a shortened stem ends in: "%~" and 16 hex digits of the whole name's hash.
inline constexpr std::size_t kHashMarkLength = 18;

// The instance's log file name, HOSTID.jsonl. Characters a file name cannot hold on some
// system (path separators, ":*?\"<>|", control characters, a leading dot, a trailing dot or
// blank), bytes that are not UTF-8, and "%" itself become "%XX" (hex), so that different
// names never share a file and the name can be read back. A stem longer than
// kLongestFileStem keeps its start and ends in a hash of the whole name.
std::string EventFileName(const std::string& host_id);

}  // namespace quillon
