// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "agent/queued_message.hpp"
#include "platform/ini_file.hpp"

namespace quillon::agent {

// What the agent remembers between runs, beside its outbox: the last delivery and its server
// reply, the last failure, and when each kind of message last went out (for merging).
class AgentState {
public:
    explicit AgentState(std::filesystem::path folder);

    // $XDG_STATE_HOME/quillon, else ~/.local/state/quillon.
    static std::filesystem::path DefaultFolder();

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path LockPath() const { return folder_ / "deliverer.lock"; }
    std::filesystem::path LogPath() const { return folder_ / "pellomar.log"; }

    void Reload();
    std::optional<std::string> Value(const std::string& key) const;
    // A mail of this merge key was accepted by the server.
    void RecordDelivery(const std::string& merge_key, const std::string& subject,
                        const std::string& reply, WallTime when);
    void RecordFailure(const std::string& error, WallTime when);
    std::optional<WallTime> LastSent(const std::string& merge_key) const;

    // One line in the agent's log, with the time and the process id.
    void Log(const std::string& line) const;

private:
    void Save();
    static std::string RecentKey(const std::string& merge_key);

    std::filesystem::path folder_;
    IniFile ini_;
};

// "2026-12-08 14:03:07".
std::string TimeText(WallTime when);

}  // namespace quillon::agent
