// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon::agent {

// One address of From or To: "ops@lab.example" or "Night shift <ops@lab.example>".
struct MailAddress {
    std::string display;  // may be empty
    std::string address;  // local@domain, what the server's envelope gets

    // Reads one address; nothing, with the reason in `error`, when it is none.
    static std::optional<MailAddress> Parse(const std::string& text, std::string& error);
    // A list separated by "," or ";" (a quoted display name may hold either).
    static std::vector<std::string> SplitList(const std::string& list);
    // The form a From: or To: header carries: the name quoted or encoded when it must be.
    std::string HeaderText() const;
};

}  // namespace quillon::agent
