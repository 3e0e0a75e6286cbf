// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/ini_file.hpp"

namespace quillon::agent {

using Seconds = std::chrono::duration<double>;

// The [Mail] section of pellomar.ini: where mail goes and how hard the agent tries.
struct MailSettings {
    std::string url;                // smtp://host:587 (STARTTLS required) or smtps://host:465
    bool allow_plain_text = false;  // smtp:// without TLS, only when written explicitly
    std::string user;
    std::string password_file;  // the password itself is never in the INI file
    std::string from;
    std::vector<std::string> to;
    std::string subject_prefix = "[Quillon]";
    std::string ca_file;  // a private CA; empty means the system's store
    Seconds connect_timeout{15};
    Seconds transfer_timeout{60};
    Seconds merge_window{60};
    Seconds message_lifetime{24 * 3600};
    Seconds first_retry{2};
    Seconds longest_retry{300};

    // Everything that keeps mail from leaving, in words; empty when the settings are usable.
    std::vector<std::string> problems;

    static MailSettings FromIni(const IniFile& ini);
    bool Usable() const { return problems.empty(); }
};

inline constexpr char kMailSection[] = "Mail";

}  // namespace quillon::agent
