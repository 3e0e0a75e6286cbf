// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "agent/queued_message.hpp"

namespace quillon::agent {

// What the agent remembers between runs, beside its outbox (delivery.ini): the last delivery
// and its server reply, the last failure, recipients the server refused, and when each kind
// of message last went out (for merging).
class AgentState {
public:
    explicit AgentState(std::filesystem::path folder);

    // $XDG_STATE_HOME/quillon, else ~/.local/state/quillon.
    static std::filesystem::path DefaultFolder();

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path LockPath() const { return folder_ / "deliverer.lock"; }
    std::filesystem::path LogPath() const { return folder_ / "pellomar.log"; }
    std::filesystem::path LedgerPath() const { return folder_ / "sent.ledger"; }

    void Reload();
    std::optional<std::string> Value(const std::string& key) const;
    void SetValues(const std::vector<std::pair<std::string, std::string>>& values);
    // A mail of this merge key was accepted by the server. Entries older than `keep_for` go.
    void RecordDelivery(const std::string& merge_key, const std::string& subject,
                        const std::string& reply, WallTime when, std::chrono::seconds keep_for);
    void RecordFailure(const std::string& error, WallTime when);
    // A recipient refused (or, with an empty reply, reached again).
    void RecordRecipient(const std::string& address, const std::string& reply, bool for_good,
                         WallTime when);
    // Address and "when: reply" of every recipient refused since it was last reached.
    const std::map<std::string, std::string>& RefusedRecipients() const { return refused_; }
    std::optional<WallTime> LastSent(const std::string& merge_key) const;
    // Why the last change could not be saved; empty when it was.
    const std::string& SaveError() const { return save_error_; }

    // One line in the agent's log, with the time and the process id; the log rotates.
    void Log(const std::string& line) const;

private:
    void Save();
    static std::string RecentKey(const std::string& merge_key);

    std::filesystem::path folder_;
    std::map<std::string, std::string> last_;
    std::map<std::string, std::string> recent_;
    std::map<std::string, std::string> refused_;
    std::string save_error_;
};

// "2026-12-08 14:03:07".
std::string TimeText(WallTime when);

}  // namespace quillon::agent
