// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace quillon::fleet {

// The file beside NorvaneAlarm.ini that turns publishing on; without it nothing is published.
inline constexpr const char* kFleetSettingsFile = "fleet.ini";

// Where the publisher sends, from the file's [Broker] section.
struct FleetSettings {
    std::string host;
    int port = 1883;
    bool tls = false;  // mqtts://
    std::string user;
    std::string password;  // read from PasswordFile
    std::string ca_file;
    std::string topic_prefix = "quillon";
    std::string site;  // the host name when not given
    bool channels = false;

    // The settings, or nothing with the reason in `error` (a bad Url, a password file that
    // others may read).
    static std::optional<FleetSettings> Read(const std::string& path, std::string& error);
    // For the operator: the broker without the password.
    std::string BrokerName() const;
};

// "mqtt://host:1883" or "mqtts://host:8883" (the port may be left out; IPv6 in brackets).
bool ParseBrokerUrl(const std::string& url, FleetSettings& settings, std::string& error);

// The first line of a regular file only its owner may read, as the e-mail agent reads its own.
std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error);

}  // namespace quillon::fleet
