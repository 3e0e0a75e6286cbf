// SPDX-License-Identifier: MIT
#include "agent/sent_ledger.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/linux/durable_file.hpp"

namespace quillon::agent {

void SentLedger::Load() {
    entries_.clear();
    written_.clear();
    std::ifstream file(file_);
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0) {
            entries_[line.substr(0, tab)].insert(line.substr(tab + 1));
            written_.insert(line);
        }
    }
}

bool SentLedger::Record(const std::string& name, const std::string& address, std::string& error) {
    if (!entries_[name].insert(address).second && written_.count(name + "\t" + address) > 0) {
        return true;  // on disk already
    }
    const std::string line = name + "\t" + address + "\n";
    const int fd = open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + file_.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
                         fdatasync(fd) == 0;
    const int saved = errno;
    close(fd);
    if (!written) {
        error = "cannot write " + file_.string() + ": " + std::strerror(saved);
        return false;
    }
    written_.insert(name + "\t" + address);
    return true;
}

bool SentLedger::Finished(const std::string& name) const {
    const auto found = entries_.find(name);
    return found != entries_.end() && found->second.count(kDone) > 0;
}

std::set<std::string> SentLedger::Reached(const std::string& name) const {
    const auto found = entries_.find(name);
    return found == entries_.end() ? std::set<std::string>() : found->second;
}

void SentLedger::KeepOnly(const std::set<std::string>& names) {
    bool stale = false;
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        if (names.count(entry->first) == 0) {
            entry = entries_.erase(entry);
            stale = true;
        } else {
            ++entry;
        }
    }
    if (!stale) {
        return;
    }
    std::string text;
    for (const auto& [name, addresses] : entries_) {
        for (const std::string& address : addresses) {
            text += name + "\t" + address + "\n";
        }
    }
    std::string ignored;  // a ledger with stale lines is still right
    DurableFile::Write(file_, text, ignored);
}

}  // namespace quillon::agent
