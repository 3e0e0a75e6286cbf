// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillon {

// Key and value pairs of one section, in the order they are written.
using ProfileValues = std::vector<std::pair<std::string, std::string>>;

// Private-profile access to one key of a bare-named INI file, as the platform keeps them.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // The key's value, trimmed and without enclosing quotes; the default when the file,
    // section or key is missing. Keys and sections match without regard to case.
    virtual std::string Read(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& fallback) = 0;
    // Replaces the key in place or appends it to its section, creating section and file.
    // Returns false when the file could not be written.
    virtual bool Write(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
    // Every key of one section at once. A store that can, writes them as one transaction, so
    // that the section is either all old or all new; this default writes them one by one, as
    // single-key profile functions do. False when any key could not be written.
    virtual bool WriteSection(const std::string& file, const std::string& section,
                              const ProfileValues& values) {
        bool all_written = true;
        for (const auto& [key, value] : values) {
            all_written = Write(file, section, key, value) && all_written;
        }
        return all_written;
    }
    // Throws std::runtime_error when the file exists but cannot be read, so that settings are
    // never taken for defaults; a missing file is fine.
    virtual void RequireReadable(const std::string& /*file*/) {}
    // Why the last failed Write failed, for the operator.
    virtual std::string LastError() const = 0;
};

}  // namespace quillon
