// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>

namespace quillon::agent {

// Files that survive a crash or a kill at any moment: they exist whole or not at all.
class DurableFile {
public:
    // Writes a temporary file beside the target, fsyncs it, renames it over the target and
    // fsyncs the folder. False, with the reason in `error`, when any step failed; then no
    // temporary file is left behind.
    static bool Write(const std::filesystem::path& path, const std::string& text,
                      std::string& error);
    // Makes a rename or unlink in the folder durable.
    static bool SyncFolder(const std::filesystem::path& folder, std::string& error);
    // Creates the folder and its parents, readable by the owner only when new.
    static bool MakeFolder(const std::filesystem::path& folder, std::string& error);
    // The temporary names that Write uses start with this.
    static constexpr char kTemporaryPrefix[] = ".tmp-";
};

}  // namespace quillon::agent
