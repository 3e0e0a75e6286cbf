// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quillon {

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
    // Why the last failed Write failed, for the operator.
    virtual std::string LastError() const = 0;
};

}  // namespace quillon
