// SPDX-License-Identifier: MIT
#include "events/rotating_event_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

#include "events/utf8_text.hpp"
#include "platform/os_functions.hpp"

namespace quillon {
namespace {

std::string Describe(const std::filesystem::path& path, const std::string& what) {
    return path.string() + ": " + what;
}

struct FileCloser {
    // Unbuffered and written with fwrite checked: nothing is left for fclose to fail on.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

}  // namespace

RotatingEventFile::RotatingEventFile(std::filesystem::path path, RotationLimits limits)
    : path_(std::move(path)), limits_(limits) {
    if (limits_.files_kept < 1) {
        limits_.files_kept = 1;
    }
}

std::filesystem::path RotatingEventFile::PathOf(int age) const {
    if (age == 0) {
        return path_;
    }
    std::filesystem::path older = path_;
    older += "." + std::to_string(age);
    return older;
}

std::size_t RotatingEventFile::Append(std::string_view bytes, std::string& error) {
    std::error_code code;
    const auto size = std::filesystem::file_size(path_, code);
    if (!code && size > 0 && size + bytes.size() > limits_.max_bytes && !Rotate(error)) {
        return 0;
    }
    std::unique_ptr<std::FILE, FileCloser> file(Open(error));
    if (!file) {
        return 0;
    }
    const auto before = std::filesystem::file_size(path_, code);
    // Unbuffered: the whole block goes to the system in one write call.
    // Without it the block still arrives, only maybe in more than one write.
    static_cast<void>(std::setvbuf(file.get(), nullptr, _IONBF, 0));
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    written_ = written_ || written > 0;
    if (written == bytes.size()) {
        return written;
    }
    error = Describe(path_, errno != 0 ? std::strerror(errno) : "short write");
    // A cut line would spoil the file for every reader: back to the last whole line.
    const std::size_t last_feed = bytes.substr(0, written).rfind('\n');
    const std::size_t whole = last_feed == std::string_view::npos ? 0 : last_feed + 1;
    if (whole < written && !code) {
        file.reset();  // closed first: some systems cut no file that is open
        std::error_code cut;
        std::filesystem::resize_file(path_, before + whole, cut);
        if (cut) {
            error += "; a cut line stays at its end (" + cut.message() + ")";
        }
    }
    return whole;
}

bool RotatingEventFile::Vanished() const {
    std::error_code code;
    return written_ && !std::filesystem::exists(path_, code) && !code;
}

// A folder that went away while the log ran (someone tidied up) is made again.
std::FILE* RotatingEventFile::Open(std::string& error) const {
    std::FILE* file = std::fopen(path_.string().c_str(), "ab");
    if (file == nullptr && errno == ENOENT) {
        std::error_code code;
        std::filesystem::create_directories(path_.parent_path(), code);
        if (code) {
            error = Describe(path_.parent_path(), code.message());
            return nullptr;
        }
        file = std::fopen(path_.string().c_str(), "ab");
    }
    if (file == nullptr) {
        error = Describe(path_, std::strerror(errno));
    }
    return file;
}

bool RotatingEventFile::Rotate(std::string& error) {
    std::error_code code;
    std::filesystem::remove(PathOf(limits_.files_kept - 1), code);
    for (int age = limits_.files_kept - 2; age >= 0; --age) {
        if (std::filesystem::exists(PathOf(age), code)) {
            std::filesystem::rename(PathOf(age), PathOf(age + 1), code);
            if (code) {
                error = Describe(PathOf(age), "cannot move aside: " + code.message());
                return false;
            }
        }
    }
    return true;
}

std::filesystem::path DefaultEventFolder() {
    return UserStateFolder() / "events";
}

namespace {

// Characters a file name cannot hold on some system, and the escape's own mark.
bool NeedsEscape(unsigned char byte) {
    static constexpr std::string_view kReserved = "/\\:*?\"<>|%";
    return byte < 0x20 || byte == 0x7f || kReserved.find(static_cast<char>(byte)) != kReserved.npos;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xf];
}

std::string HashText(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a: the same on every platform
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int digit = 15; digit >= 0; --digit, hash >>= 4) {
        out[static_cast<std::size_t>(digit)] = kHex[hash & 0xf];
    }
    return out;
}

}  // namespace

std::string EventFileName(const std::string& host_id) {
    const std::string name = host_id.empty() ? "Quillon" : host_id;
    std::string stem;
    std::size_t fits = 0;  // the stem's length at the last whole character within the short form
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        const std::size_t length = byte < 0x80 ? 1 : Utf8SequenceLength(name, at);
        const bool edge =
            (at == 0 && byte == '.') || (at + 1 == name.size() && (byte == '.' || byte == ' '));
        if (length == 0 || NeedsEscape(byte) || edge) {
            AppendEscaped(stem, byte);
            ++at;
        } else {
            stem.append(name, at, length);
            at += length;
        }
        if (stem.size() <= kLongestFileStem - kHashMarkLength) {
            fits = stem.size();
        }
    }
    if (stem.size() > kLongestFileStem) {
        // "%~" never comes from the escape, so a shortened name meets no other instance's.
        stem.resize(fits);
        stem += "%~" + HashText(name);
    }
    return stem + ".jsonl";
}

}  // namespace quillon
