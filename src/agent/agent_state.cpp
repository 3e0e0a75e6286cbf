// SPDX-License-Identifier: MIT
#include "agent/agent_state.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "agent/durable_file.hpp"
#include "platform/local_time.hpp"

namespace quillon::agent {
namespace {

constexpr char kLast[] = "Last";
constexpr char kRecent[] = "Recent";

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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

}  // namespace

std::string TimeText(WallTime when) {
    return LocalTimeText(when, "%Y-%m-%d %H:%M:%S");
}

AgentState::AgentState(std::filesystem::path folder) : folder_(std::move(folder)), ini_("") {
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
    ini_ = IniFile(ReadText(folder_ / "delivery.ini"));
}

std::optional<std::string> AgentState::Value(const std::string& key) const {
    return ini_.Value(kLast, key);
}

void AgentState::RecordDelivery(const std::string& merge_key, const std::string& subject,
                                const std::string& reply, WallTime when) {
    ini_.SetValue(kRecent, RecentKey(merge_key), std::to_string(Nanoseconds(when)), "\n");
    ini_.SetValues(kLast,
                   {{"DeliveredAt", TimeText(when)},
                    {"Subject", OneLine(subject)},
                    {"ServerReply", OneLine(reply)}},
                   "\n");
    Save();
}

void AgentState::RecordFailure(const std::string& error, WallTime when) {
    const int failures = std::atoi(Value("Failures").value_or("0").c_str()) + 1;
    ini_.SetValues(kLast,
                   {{"FailedAt", TimeText(when)},
                    {"Failure", OneLine(error)},
                    {"Failures", std::to_string(failures)}},
                   "\n");
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
    const std::optional<std::string> value = ini_.Value(kRecent, RecentKey(merge_key));
    if (!value || value->empty() || value->find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return WallTime(std::chrono::duration_cast<WallTime::duration>(
        std::chrono::nanoseconds(std::stoll(*value))));
}

void AgentState::Save() {
    std::string ignored;
    DurableFile::MakeFolder(folder_, ignored);
    DurableFile::Write(folder_ / "delivery.ini", ini_.Text(), ignored);
}

void AgentState::Log(const std::string& line) const {
    const std::string text = TimeText(std::chrono::system_clock::now()) + " [" +
                             std::to_string(getpid()) + "] " + OneLine(line) + "\n";
    const int fd = open(LogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
        close(fd);
    }
}

}  // namespace quillon::agent
