// SPDX-License-Identifier: MIT
#include "fleet/fleet_settings.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "utility/ini_file.hpp"
#include "utility/whole_file.hpp"

namespace quillon::fleet {
namespace {

constexpr const char* kSection = "Broker";

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

}  // namespace

bool ParseBrokerUrl(const std::string& url, FleetSettings& settings, std::string& error) {
    std::string_view rest(url);
    if (rest.starts_with("mqtt://")) {
        settings.tls = false;
        settings.port = 1883;
        rest.remove_prefix(7);
    } else if (rest.starts_with("mqtts://")) {
        settings.tls = true;
        settings.port = 8883;
        rest.remove_prefix(8);
    } else {
        error = "Url \"" + url + "\" is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]";
        return false;
    }
    if (!rest.empty() && rest.back() == '/') {
        rest.remove_suffix(1);
    }
    std::string_view port;
    if (rest.starts_with("[")) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            error = "Url \"" + url + "\" has an unclosed [";
            return false;
        }
        settings.host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (rest.starts_with(":")) {
            port = rest.substr(1);
        } else if (!rest.empty()) {
            error = "Url \"" + url + "\" has text after the host";
            return false;
        }
    } else {
        const std::size_t colon = rest.find(':');
        settings.host = rest.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = rest.substr(colon + 1);
        }
    }
    if (settings.host.empty() || settings.host.find('/') != std::string::npos) {
        error = "Url \"" + url + "\" has no host";
        return false;
    }
    if (!port.empty() || url.ends_with(":")) {
        int number = 0;
        const auto [end, problem] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (problem != std::errc() || end != port.data() + port.size() || number < 1 ||
            number > 65535) {
            error = "Url \"" + url + "\" has a bad port";
            return false;
        }
        settings.port = number;
    }
    return true;
}

std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "password file " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "password file " + path + " is not a regular file";
        return std::nullopt;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "password file " + path + " may be read by others (chmod 600 it)";
        return std::nullopt;
    }
    if (info.st_uid != geteuid()) {
        error = "password file " + path + " is not the user's own";
        return std::nullopt;
    }
    const std::optional<std::string> text = ReadWholeFile(path, error);
    if (!text) {
        return std::nullopt;
    }
    std::string password = text->substr(0, text->find_first_of("\r\n"));
    return password;
}

std::optional<FleetSettings> FleetSettings::Read(const std::string& path, std::string& error) {
    const std::optional<std::string> text = ReadWholeFile(path, error);
    if (!text) {
        return std::nullopt;
    }
    const IniFile ini(*text);
    const auto value = [&ini](const char* key) { return ini.Value(kSection, key).value_or(""); };
    FleetSettings settings;
    const std::string url = value("Url");
    if (url.empty()) {
        error = path + ": [Broker] has no Url";
        return std::nullopt;
    }
    if (!ParseBrokerUrl(url, settings, error)) {
        error = path + ": " + error;
        return std::nullopt;
    }
    settings.user = value("User");
    if (const std::string password_file = value("PasswordFile"); !password_file.empty()) {
        const std::optional<std::string> password = ReadPasswordFile(password_file, error);
        if (!password) {
            return std::nullopt;
        }
        settings.password = *password;
    }
    settings.ca_file = value("CaFile");
    if (const std::string prefix = value("TopicPrefix"); !prefix.empty()) {
        settings.topic_prefix = prefix;
    }
    settings.site = value("Site");
    if (settings.site.empty()) {
        settings.site = HostName();
    }
    const std::string channels = value("Channels");
    if (channels != "" && channels != "0" && channels != "1") {
        error = path + ": Channels is 0 or 1, not \"" + channels + "\"";
        return std::nullopt;
    }
    settings.channels = channels == "1";
    return settings;
}

std::string FleetSettings::BrokerName() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return std::string(tls ? "mqtts://" : "mqtt://") + (ipv6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

}  // namespace quillon::fleet
