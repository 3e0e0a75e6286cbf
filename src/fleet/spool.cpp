// SPDX-License-Identifier: MIT
#include "fleet/spool.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

namespace quillon::fleet {
namespace {

constexpr const char* kPositionFile = "position";
constexpr const char* kSegmentSuffix = ".jsonl";

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// "<segment> <offset>" as Sync writes it. Anything else (a damaged file, a negative
// number) is no position, and the spool starts from its oldest segment.
std::optional<std::pair<std::uint64_t, std::uint64_t>> ReadPosition(
    const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!std::getline(in, text)) {
        return std::nullopt;
    }
    const char* const end = text.data() + text.size();
    std::uint64_t segment = 0;
    std::uint64_t offset = 0;
    const auto [after_segment, segment_error] = std::from_chars(text.data(), end, segment);
    if (segment_error != std::errc() || after_segment == end || *after_segment != ' ') {
        return std::nullopt;
    }
    const auto [after_offset, offset_error] = std::from_chars(after_segment + 1, end, offset);
    if (offset_error != std::errc() || after_offset != end) {
        return std::nullopt;
    }
    return std::pair{segment, offset};
}

std::uint64_t CountLines(const std::filesystem::path& path, std::uint64_t from) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::uint64_t lines = 0;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        lines += static_cast<std::uint64_t>(std::count(buffer, buffer + in.gcount(), '\n'));
    }
    return lines;
}

}  // namespace

Spool::Spool(std::filesystem::path folder, std::uint64_t limit, std::uint64_t segment_size)
    : folder_(std::move(folder)), limit_(limit), segment_size_(segment_size) {}

Spool::~Spool() {
    Sync();
    if (writer_ >= 0) {
        close(writer_);
    }
}

std::filesystem::path Spool::SegmentPath(std::uint64_t segment) const {
    char name[32];
    static_cast<void>(
        std::snprintf(name, sizeof name, "%016llu", static_cast<unsigned long long>(segment)));
    return folder_ / (std::string(name) + kSegmentSuffix);
}

bool Spool::Open(std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(folder_, failure);
    if (failure) {
        error = folder_.string() + ": " + failure.message();
        return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_, failure)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() == 16 + 6 && name.ends_with(kSegmentSuffix) &&
            std::all_of(name.begin(), name.begin() + 16,
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const std::uint64_t size = entry.file_size();
            segments_[std::stoull(name.substr(0, 16))] = size;
            bytes_ += size;
        }
    }
    if (failure) {
        error = folder_.string() + ": " + failure.message();
        return false;
    }
    if (const auto position = ReadPosition(folder_ / kPositionFile)) {
        confirmed_ = {position->first, position->second};
    }
    if (!segments_.empty() && (confirmed_.segment < segments_.begin()->first ||
                               !segments_.contains(confirmed_.segment))) {
        confirmed_ = {segments_.begin()->first, 0};
    }
    sent_ = saved_ = confirmed_;
    ForgetConfirmedSegments();
    return OpenNewest(error);
}

bool Spool::OpenNewest(std::string& error) {
    if (writer_ >= 0) {
        close(writer_);
    }
    const std::uint64_t newest = segments_.empty() ? confirmed_.segment : segments_.rbegin()->first;
    segments_.try_emplace(newest, 0);
    writer_ = open(SegmentPath(newest).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (writer_ < 0) {
        error = SegmentPath(newest).string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Spool::Append(std::string_view lines, std::string& error) {
    if (writer_ < 0 && !OpenNewest(error)) {
        return false;
    }
    auto newest = std::prev(segments_.end());
    if (newest->second >= segment_size_) {
        segments_.emplace(newest->first + 1, 0);
        if (!OpenNewest(error)) {
            return false;
        }
        newest = std::prev(segments_.end());
    }
    if (!WriteAll(writer_, lines)) {
        error = SegmentPath(newest->first).string() + ": " + std::strerror(errno);
        return false;
    }
    newest->second += lines.size();
    bytes_ += lines.size();
    unsynced_ = true;
    while (bytes_ > limit_ && segments_.size() > 1) {
        DropOldest();
    }
    return true;
}

void Spool::DropOldest() {
    const auto oldest = segments_.begin();
    const std::uint64_t from = confirmed_.segment == oldest->first ? confirmed_.offset : 0;
    dropped_ += CountLines(SegmentPath(oldest->first), from);
    std::error_code ignored;
    std::filesystem::remove(SegmentPath(oldest->first), ignored);
    bytes_ -= oldest->second;
    segments_.erase(oldest);
    const Position next{segments_.begin()->first, 0};
    if (confirmed_.segment < next.segment) {
        confirmed_ = next;
        in_flight_.clear();
    }
    if (sent_.segment < next.segment) {
        sent_ = next;
    }
}

bool Spool::OpenReader() {
    if (reader_segment_ != sent_.segment || !reader_.is_open()) {
        reader_.close();
        reader_.open(SegmentPath(sent_.segment), std::ios::binary);
        reader_segment_ = sent_.segment;
    }
    reader_.clear();
    reader_.seekg(static_cast<std::streamoff>(sent_.offset));
    return static_cast<bool>(reader_);
}

bool Spool::Next(std::string& line) {
    for (;;) {
        const auto segment = segments_.find(sent_.segment);
        if (segment == segments_.end()) {
            return false;
        }
        if (sent_.offset < segment->second) {
            if (!OpenReader() || !std::getline(reader_, line) || reader_.eof()) {
                return false;  // a line not yet whole on disk
            }
            const std::uint64_t length = line.size() + 1;
            sent_.offset += length;
            in_flight_.push_back(length);
            return true;
        }
        const auto later = std::next(segment);
        if (later == segments_.end()) {
            return false;
        }
        sent_ = {later->first, 0};
    }
}

void Spool::Acknowledge() {
    if (in_flight_.empty()) {
        return;
    }
    std::uint64_t length = in_flight_.front();
    in_flight_.pop_front();
    while (length > 0) {
        const auto segment = segments_.find(confirmed_.segment);
        if (segment == segments_.end()) {
            return;
        }
        const std::uint64_t left = segment->second - confirmed_.offset;
        if (left == 0) {
            const auto later = std::next(segment);
            if (later == segments_.end()) {
                return;
            }
            confirmed_ = {later->first, 0};
            continue;
        }
        const std::uint64_t step = std::min(left, length);
        confirmed_.offset += step;
        length -= step;
    }
    ForgetConfirmedSegments();
}

void Spool::ForgetConfirmedSegments() {
    // A segment wholly confirmed and no longer written goes.
    while (segments_.size() > 1) {
        const auto oldest = segments_.begin();
        const bool done =
            confirmed_.segment > oldest->first ||
            (confirmed_.segment == oldest->first && confirmed_.offset >= oldest->second);
        if (!done) {
            return;
        }
        std::error_code ignored;
        std::filesystem::remove(SegmentPath(oldest->first), ignored);
        bytes_ -= oldest->second;
        segments_.erase(oldest);
        if (confirmed_.segment < segments_.begin()->first) {
            confirmed_ = {segments_.begin()->first, 0};
        }
        if (sent_.segment < confirmed_.segment) {
            sent_ = confirmed_;
        }
    }
}

void Spool::Rewind() {
    sent_ = confirmed_;
    in_flight_.clear();
}

bool Spool::Empty() const {
    const auto newest = std::prev(segments_.end());
    return sent_.segment == newest->first && sent_.offset >= newest->second;
}

void Spool::Sync() {
    if (unsynced_ && writer_ >= 0) {
        fdatasync(writer_);
        unsynced_ = false;
    }
    if (confirmed_.segment == saved_.segment && confirmed_.offset == saved_.offset) {
        return;
    }
    const std::filesystem::path target = folder_ / kPositionFile;
    const std::filesystem::path temporary = folder_ / "position.new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    const std::string text =
        std::to_string(confirmed_.segment) + " " + std::to_string(confirmed_.offset) + "\n";
    const bool written = WriteAll(fd, text) && fdatasync(fd) == 0;
    close(fd);
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) {
        saved_ = confirmed_;
    }
}

std::uint64_t Spool::TakeDropped() {
    return std::exchange(dropped_, 0);
}

}  // namespace quillon::fleet
