// SPDX-License-Identifier: MIT
#include "agent/agent_state.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "agent/printable_text.hpp"
#include "platform/linux/durable_file.hpp"
#include "platform/local_time.hpp"

namespace quillon::agent {
namespace {

constexpr char kLast[] = "Last";
constexpr char kRecent[] = "Recent";
constexpr char kRefused[] = "Refused";
constexpr off_t kLogLimit = off_t{1024} * 1024;
constexpr int kLogsKept = 3;

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

long long Nanoseconds(WallTime when) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
}

// One line per value: line breaks from a server reply would start new keys.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

void AppendSection(std::string& text, const char* name,
                   const std::map<std::string, std::string>& values) {
    text += "[" + std::string(name) + "]\n";
    for (const auto& [key, value] : values) {
        text += key + "=" + value + "\n";
    }
}

// pellomar.log, pellomar.log.1 ... .3: the oldest goes.
void RotateLog(const std::filesystem::path& log) {
    for (int index = kLogsKept; index >= 1; --index) {
        const std::string from =
            index == 1 ? log.string() : log.string() + "." + std::to_string(index - 1);
        // The older logs are not there until the log has been full that often.
        static_cast<void>(
            std::rename(from.c_str(), (log.string() + "." + std::to_string(index)).c_str()));
    }
}

}  // namespace

std::string TimeText(WallTime when) {
    return LocalTimeText(when, "%Y-%m-%d %H:%M:%S");
}

AgentState::AgentState(std::filesystem::path folder) : folder_(std::move(folder)) {
    Reload();
}

std::filesystem::path AgentState::DefaultFolder() {
    if (const char* state = NonEmptyVariable("XDG_STATE_HOME")) {
        return std::filesystem::path(state) / "quillon";
    }
    if (const char* home = NonEmptyVariable("HOME")) {
        return std::filesystem::path(home) / ".local" / "state" / "quillon";
    }
    return std::filesystem::current_path() / ".quillon-state";
}

void AgentState::Reload() {
    last_.clear();
    recent_.clear();
    refused_.clear();
    std::ifstream file(folder_ / "delivery.ini");
    std::map<std::string, std::string>* section = nullptr;
    std::string line;
    while (std::getline(file, line)) {
        if (line == "[Last]") {
            section = &last_;
        } else if (line == "[Recent]") {
            section = &recent_;
        } else if (line == "[Refused]") {
            section = &refused_;
        } else if (const std::size_t equals = line.find('=');
                   section != nullptr && equals != std::string::npos && equals > 0) {
            (*section)[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
}

std::optional<std::string> AgentState::Value(const std::string& key) const {
    const auto found = last_.find(key);
    return found == last_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

void AgentState::SetValues(const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values) {
        last_[key] = OneLine(value);
    }
    Save();
}

void AgentState::RecordDelivery(const std::string& merge_key, const std::string& subject,
                                const std::string& reply, WallTime when,
                                std::chrono::seconds keep_for) {
    // Only what can still hold a message back is kept: entries of a merge window ago go.
    for (auto entry = recent_.begin(); entry != recent_.end();) {
        const std::optional<long long> sent = WholeInteger(entry->second);
        const bool old =
            !sent || Nanoseconds(when) - *sent > std::chrono::nanoseconds(keep_for).count();
        entry = old ? recent_.erase(entry) : std::next(entry);
    }
    recent_[RecentKey(merge_key)] = std::to_string(Nanoseconds(when));
    last_["DeliveredAt"] = TimeText(when);
    last_["Subject"] = OneLine(subject);
    last_["ServerReply"] = OneLine(reply);
    Save();
}

void AgentState::RecordFailure(const std::string& error, WallTime when) {
    const std::optional<long long> count = WholeInteger(Value("Failures").value_or("0"));
    const long long failures = count && *count >= 0 && *count < (1LL << 60) ? *count + 1 : 1;
    last_["FailedAt"] = TimeText(when);
    last_["Failure"] = OneLine(error);
    last_["Failures"] = std::to_string(failures);
    Save();
}

void AgentState::RecordRecipient(const std::string& address, const std::string& reply,
                                 bool for_good, WallTime when) {
    const std::string key = RecentKey(address);
    if (reply.empty()) {
        if (refused_.erase(key) > 0) {
            Save();
        }
        return;
    }
    refused_[key] = TimeText(when) + ": " + OneLine(reply) +
                    (for_good ? " (refused for good)" : " (tried again)");
    Save();
}

std::string AgentState::RecentKey(const std::string& merge_key) {
    std::string key = OneLine(merge_key);
    for (char& c : key) {
        if (c == '=' || c == '[' || c == ']') {
            c = '_';
        }
    }
    return key;
}

std::optional<WallTime> AgentState::LastSent(const std::string& merge_key) const {
    const auto found = recent_.find(RecentKey(merge_key));
    if (found == recent_.end()) {
        return std::nullopt;
    }
    const std::optional<long long> nanoseconds = WholeInteger(found->second);
    if (!nanoseconds || *nanoseconds < 0) {
        return std::nullopt;
    }
    return WallTime(
        std::chrono::duration_cast<WallTime::duration>(std::chrono::nanoseconds(*nanoseconds)));
}

void AgentState::Save() {
    std::string text;
    AppendSection(text, kLast, last_);
    AppendSection(text, kRecent, recent_);
    AppendSection(text, kRefused, refused_);
    std::string error;
    if (!DurableFile::MakeFolder(folder_, error) ||
        !DurableFile::Write(folder_ / "delivery.ini", text, error)) {
        if (save_error_.empty()) {
            Log("ERROR: the delivery state was not saved: " + error);
        }
        save_error_ = error;
        return;
    }
    save_error_.clear();
}

void AgentState::Log(const std::string& line) const {
    const std::string text = TimeText(std::chrono::system_clock::now()) + " [" +
                             std::to_string(getpid()) + "] " + Printable(line) + "\n";
    const std::filesystem::path log = LogPath();
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    // One writer at a time decides on rotating, so that no two rotate the same log.
    flock(fd, LOCK_EX);
    struct stat opened {};
    struct stat named {};
    if (fstat(fd, &opened) == 0 && opened.st_size >= kLogLimit && stat(log.c_str(), &named) == 0 &&
        named.st_ino == opened.st_ino) {
        RotateLog(log);
        const int fresh = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        close(fd);
        fd = fresh;
        if (fd < 0) {
            return;
        }
    }
    [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
    close(fd);
}

}  // namespace quillon::agent
