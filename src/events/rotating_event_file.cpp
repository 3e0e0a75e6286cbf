// SPDX-License-Identifier: MIT
#include "events/rotating_event_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/os_functions.hpp"

namespace quillon {
namespace {

std::string Describe(const std::filesystem::path& path, const std::string& what) {
    return path.string() + ": " + what;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
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

bool RotatingEventFile::Append(std::string_view bytes, std::string& error) {
    if (!Prepare(error)) {
        return false;
    }
    if (size_ > 0 && size_ + bytes.size() > limits_.max_bytes && !Rotate(error)) {
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path_.string().c_str(), "ab"));
    if (!file) {
        error = Describe(path_, std::strerror(errno));
        return false;
    }
    // Unbuffered: the whole block goes to the system in one write call.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    size_ += written;
    if (written != bytes.size()) {
        error = Describe(path_, errno != 0 ? std::strerror(errno) : "short write");
        return false;
    }
    return true;
}

bool RotatingEventFile::Prepare(std::string& error) {
    if (prepared_) {
        return true;
    }
    std::error_code code;
    std::filesystem::create_directories(path_.parent_path(), code);
    if (code) {
        error = Describe(path_.parent_path(), code.message());
        return false;
    }
    const auto size = std::filesystem::file_size(path_, code);
    size_ = code ? 0 : size;
    prepared_ = true;
    return true;
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
    size_ = 0;
    return true;
}

std::filesystem::path DefaultEventFolder() {
    return UserStateFolder() / "events";
}

std::string EventFileName(const std::string& host_id) {
    std::string name = host_id.empty() ? "Quillon" : host_id;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7f) {
            c = '_';
        }
    }
    if (name.front() == '.') {
        name.front() = '_';
    }
    return name + ".jsonl";
}

}  // namespace quillon
