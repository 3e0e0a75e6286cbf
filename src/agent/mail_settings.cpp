// SPDX-License-Identifier: MIT
#include "agent/mail_settings.hpp"

#include <cstdlib>
#include <optional>

namespace quillon::agent {
namespace {

std::string Text(const IniFile& ini, const char* key) {
    return ini.Value(kMailSection, key).value_or("");
}

std::vector<std::string> Addresses(const std::string& list) {
    std::vector<std::string> addresses;
    std::string current;
    const auto flush = [&] {
        const std::size_t begin = current.find_first_not_of(" \t");
        if (begin != std::string::npos) {
            addresses.push_back(current.substr(begin, current.find_last_not_of(" \t") + 1 - begin));
        }
        current.clear();
    };
    for (const char c : list) {
        if (c == ',' || c == ';') {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return addresses;
}

bool IsYes(const std::string& text) {
    return text == "1" || text == "yes" || text == "true";
}

// A duration in seconds (decimals allowed), or the default with a problem noted.
void ReadSeconds(const IniFile& ini, const char* key, Seconds& value,
                 std::vector<std::string>& problems) {
    const std::string text = Text(ini, key);
    if (text.empty()) {
        return;
    }
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(seconds >= 0)) {
        problems.push_back(std::string(key) + "=" + text + " is not a number of seconds");
        return;
    }
    value = Seconds(seconds);
}

void CheckUrl(MailSettings& settings) {
    const std::string& url = settings.url;
    if (url.empty()) {
        settings.problems.push_back("Url is missing (for example smtp://mail.example.com:587)");
    } else if (url.rfind("smtps://", 0) == 0) {
        return;
    } else if (url.rfind("smtp://", 0) != 0) {
        settings.problems.push_back("Url=" + url + " must start with smtp:// or smtps://");
    } else if (url.size() == 7 || url[7] == ':' || url[7] == '/') {
        settings.problems.push_back("Url=" + url + " names no server");
    }
}

void CheckRequired(MailSettings& settings) {
    CheckUrl(settings);
    if (settings.from.empty()) {
        settings.problems.push_back("From is missing (the sender's address)");
    }
    if (settings.to.empty()) {
        settings.problems.push_back("To is missing (one or more addresses, comma-separated)");
    }
    if (!settings.user.empty() && settings.password_file.empty()) {
        settings.problems.push_back("User is set but PasswordFile is missing");
    }
}

}  // namespace

MailSettings MailSettings::FromIni(const IniFile& ini) {
    MailSettings settings;
    if (!ini.Value(kMailSection, "Url") && !ini.Value(kMailSection, "To")) {
        settings.problems.push_back("pellomar.ini has no [Mail] section with Url, From and To");
        return settings;
    }
    settings.url = Text(ini, "Url");
    settings.allow_plain_text = IsYes(Text(ini, "AllowPlainText"));
    settings.user = Text(ini, "User");
    settings.password_file = Text(ini, "PasswordFile");
    settings.from = Text(ini, "From");
    settings.to = Addresses(Text(ini, "To"));
    if (const std::optional<std::string> prefix = ini.Value(kMailSection, "SubjectPrefix")) {
        settings.subject_prefix = *prefix;
    }
    settings.ca_file = Text(ini, "CaFile");
    ReadSeconds(ini, "ConnectTimeout", settings.connect_timeout, settings.problems);
    ReadSeconds(ini, "TransferTimeout", settings.transfer_timeout, settings.problems);
    ReadSeconds(ini, "MergeWindow", settings.merge_window, settings.problems);
    ReadSeconds(ini, "MessageLifetime", settings.message_lifetime, settings.problems);
    ReadSeconds(ini, "FirstRetry", settings.first_retry, settings.problems);
    ReadSeconds(ini, "LongestRetry", settings.longest_retry, settings.problems);
    CheckRequired(settings);
    return settings;
}

}  // namespace quillon::agent
