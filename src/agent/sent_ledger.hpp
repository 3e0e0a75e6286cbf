// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace quillon::agent {

// What has gone out, durably, for messages still in the outbox: each recipient a message
// reached (or that refused it for good), and the messages that are done. A sent message whose
// file cannot be removed is thus never sent again, by this deliverer or the next one.
// One line per entry, appended and synced: "NAME<TAB>ADDRESS", or "NAME<TAB>*" when done.
class SentLedger {
public:
    explicit SentLedger(std::filesystem::path file) : file_(std::move(file)) {}

    void Load();
    // Kept in memory whatever happens; false, with the reason, when it is not on disk.
    bool Record(const std::string& name, const std::string& address, std::string& error);
    bool Finish(const std::string& name, std::string& error) { return Record(name, kDone, error); }

    bool Finished(const std::string& name) const;
    // The recipients that need this message no more.
    std::set<std::string> Reached(const std::string& name) const;
    // Rewrites the ledger with the entries of these messages only.
    void KeepOnly(const std::set<std::string>& names);

private:
    static constexpr char kDone[] = "*";
    std::filesystem::path file_;
    std::map<std::string, std::set<std::string>> entries_;
    std::set<std::string> written_;  // the lines on disk
};

}  // namespace quillon::agent
