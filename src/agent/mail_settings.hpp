// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "agent/mail_address.hpp"
#include "utility/ini_file.hpp"

namespace quillon::agent {

using Seconds = std::chrono::duration<double>;

// The [Mail] section of pellomar.ini: where mail goes and how hard the agent tries.
struct MailSettings {
    std::string url;                // smtp://host:587 (STARTTLS required) or smtps://host:465
    bool allow_plain_text = false;  // smtp:// without TLS, only when the server offers none
    std::string user;
    std::string password_file;  // the password itself is never in the INI file
    MailAddress from;
    std::vector<MailAddress> to;
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
    // Values outside their limits, each replaced by its default: mail still leaves, but
    // --status and --test refuse them.
    std::vector<std::string> refused;

    static MailSettings FromIni(const IniFile& ini);
    bool Usable() const { return problems.empty(); }
    // The Url without any user name or password it holds, to print.
    std::string ShownUrl() const;
};

inline constexpr char kMailSection[] = "Mail";

// "2 s", "0.5 s": seconds as a setting's message shows them.
std::string SecondsText(double seconds);

}  // namespace quillon::agent
