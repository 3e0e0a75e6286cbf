// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

namespace quillon::fleet {

// Event lines on their way to the broker, on disk so that neither an absent broker nor the
// end of the program loses them: numbered segment files of whole lines, and a position file
// that says up to where the broker has confirmed. Lines are read out in order; a line counts as
// delivered only when acknowledged, and Rewind sends the unconfirmed ones again (at least once).
// Past the size limit the oldest segment goes, and its undelivered lines are counted as dropped.
class Spool {
public:
    static constexpr std::uint64_t kDefaultLimit = 100ull * 1024 * 1024;

    explicit Spool(std::filesystem::path folder, std::uint64_t limit = kDefaultLimit,
                   std::uint64_t segment_size = std::uint64_t{1024} * 1024);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    // Makes the folder and picks up what an earlier run left; false with the reason.
    bool Open(std::string& error);
    // Whole lines, each ending in its line feed.
    bool Append(std::string_view lines, std::string& error);
    // The next line not yet handed out, without its line feed.
    bool Next(std::string& line);
    // The oldest line handed out is confirmed.
    void Acknowledge();
    // The lines handed out but not confirmed will be handed out again.
    void Rewind();
    // Data to disk and the confirmed position saved: at most once a second or so.
    void Sync();
    // Lines dropped by the size limit since the last call.
    std::uint64_t TakeDropped();
    std::uint64_t Bytes() const { return bytes_; }
    // Lines handed out and not yet confirmed.
    std::size_t InFlight() const { return in_flight_.size(); }
    bool Empty() const;

private:
    struct Position {
        std::uint64_t segment = 0;
        std::uint64_t offset = 0;
    };

    std::filesystem::path SegmentPath(std::uint64_t segment) const;
    bool OpenNewest(std::string& error);
    void DropOldest();
    void ForgetConfirmedSegments();
    void SavePosition();
    bool OpenReader();

    std::filesystem::path folder_;
    std::uint64_t limit_;
    std::uint64_t segment_size_;
    std::map<std::uint64_t, std::uint64_t> segments_;  // number -> size in bytes
    std::uint64_t bytes_ = 0;
    int writer_ = -1;  // appends to the newest segment
    bool unsynced_ = false;
    Position confirmed_;
    Position sent_;
    Position saved_;
    std::deque<std::uint64_t> in_flight_;  // lengths of lines handed out, line feed included
    std::ifstream reader_;
    std::uint64_t reader_segment_ = UINT64_MAX;
    std::uint64_t dropped_ = 0;
};

}  // namespace quillon::fleet
