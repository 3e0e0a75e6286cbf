// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <stdexcept>
#include <string>

#include "platform/profile_store.hpp"
#include "utility/ini_file.hpp"

namespace quillon::testing {

// Profile files as texts in memory, with the same line semantics as the files on disk.
class MemoryProfileStore final : public ProfileStore {
public:
    std::map<std::string, std::string> files;
    bool fail_writes = false;
    bool unreadable = false;  // the file exists but cannot be read

    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override {
        return IniFile(files[file]).Value(section, key).value_or(fallback);
    }
    bool Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override {
        if (fail_writes) {
            return false;
        }
        IniFile ini(files[file]);
        ini.SetValue(section, key, value, "\n");
        files[file] = ini.Text();
        return true;
    }
    void RequireReadable(const std::string& file) override {
        if (unreadable) {
            throw std::runtime_error("cannot read " + file + ": Permission denied");
        }
    }
    std::string LastError() const override { return fail_writes ? "disk full" : ""; }
};

}  // namespace quillon::testing
