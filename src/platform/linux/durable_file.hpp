// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Files that survive a crash or a kill at any moment: they exist whole or not at all. The
// settings file and the e-mail agent's outbox, ledger and state are written this way.
class DurableFile {
public:
    // What a replaced file keeps of the old one.
    struct Keep {
        uid_t owner;
        gid_t group;
        mode_t mode;
    };

    // Writes a temporary file beside the target, fsyncs it, renames it over the target and
    // fsyncs the folder. False, with the reason in `error`, when any step failed; then no
    // temporary file is left behind. The new file is the owner's only, or as `keep` says.
    static bool Write(const std::filesystem::path& path, const std::string& text,
                      std::string& error, const std::optional<Keep>& keep = std::nullopt);
    // Makes a rename or unlink in the folder durable.
    static bool SyncFolder(const std::filesystem::path& folder, std::string& error);
    // Creates the folder and its parents, readable by the owner only when new.
    static bool MakeFolder(const std::filesystem::path& folder, std::string& error);
    // Removes the temporary files in `folder` that a killed writer left: those whose process
    // is gone or that are older than `older_than` (a write takes milliseconds). With `target`,
    // only the temporaries of that file name.
    static void RemoveStaleTemporaries(const std::filesystem::path& folder,
                                       std::chrono::seconds older_than,
                                       std::string_view target = {});

    // A temporary file's name: hidden, with its writer's process id and the target's name
    // (".tmp-1234-NorvaneAlarm.ini"), so that a folder listing passes over it.
    static constexpr char kTemporaryPrefix[] = ".tmp-";
    static std::filesystem::path TemporaryFor(const std::filesystem::path& path);
};

}  // namespace quillon
