// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/profile_store.hpp"

namespace quillon {

// The system's private-profile functions. Bare file names live where Windows keeps them (the
// Windows folder, or the user's virtual store for a program without the right to write
// there), shared with every program that uses the same file.
class Win32ProfileStore final : public ProfileStore {
public:
    // `directory` empty: bare names as Windows places them; otherwise files in that folder.
    explicit Win32ProfileStore(std::string directory = {}) : directory_(std::move(directory)) {}

    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override;
    void RequireReadable(const std::string& file) override;
    std::string LastError() const override { return last_error_; }

    // The file's full path, for the operator.
    std::string PathOf(const std::string& file) const;

private:
    std::string NameFor(const std::string& file) const;

    std::string directory_;
    std::string last_error_;
};

}  // namespace quillon
