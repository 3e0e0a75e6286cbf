// SPDX-License-Identifier: MIT
#include "agent/mail_address.hpp"

#include <algorithm>

#include "agent/mime_text.hpp"

namespace quillon::agent {
namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return "";
    }
    return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

bool HasControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; });
}

// local@domain with nothing a server's envelope could take for more than one address.
bool CheckAddress(const std::string& address, std::string& error) {
    const std::size_t at = address.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 == address.size()) {
        error = "needs the form name@host";
        return false;
    }
    if (HasControl(address) || address.find_first_of(" <>,;\"()[]\\") != std::string::npos ||
        address.find('@') != at) {
        error = "holds a character an address may not have";
        return false;
    }
    return true;
}

bool IsPlainName(const std::string& name) {
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view(" !#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
    });
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 128; });
}

std::string Unquoted(const std::string& name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        std::string out;
        for (std::size_t i = 1; i + 1 < name.size(); ++i) {
            if (name[i] == '\\' && i + 2 < name.size()) {
                ++i;
            }
            out += name[i];
        }
        return out;
    }
    return name;
}

}  // namespace

std::optional<MailAddress> MailAddress::Parse(const std::string& text, std::string& error) {
    const std::string trimmed = Trimmed(text);
    MailAddress parsed;
    const std::size_t open = trimmed.rfind('<');
    if (open == std::string::npos) {
        parsed.address = trimmed;
    } else {
        if (trimmed.back() != '>') {
            error = "has text after its <address>";
            return std::nullopt;
        }
        parsed.address = trimmed.substr(open + 1, trimmed.size() - open - 2);
        parsed.display = Unquoted(Trimmed(trimmed.substr(0, open)));
        if (HasControl(parsed.display)) {
            error = "has a control character in its name";
            return std::nullopt;
        }
    }
    if (!CheckAddress(parsed.address, error)) {
        return std::nullopt;
    }
    return parsed;
}

std::vector<std::string> MailAddress::SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::string current;
    bool quoted = false;
    const auto flush = [&] {
        if (!Trimmed(current).empty()) {
            items.push_back(Trimmed(current));
        }
        current.clear();
    };
    for (const char c : list) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (!quoted && (c == ',' || c == ';')) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return items;
}

std::string MailAddress::HeaderText() const {
    if (display.empty()) {
        return address;
    }
    std::string name;
    if (!IsAscii(display)) {
        name = EncodedHeaderWord(display);
    } else if (IsPlainName(display)) {
        name = display;
    } else {
        name = "\"";
        for (const char c : display) {
            name += (c == '"' || c == '\\') ? std::string{'\\', c} : std::string(1, c);
        }
        name += "\"";
    }
    return name + " <" + address + ">";
}

}  // namespace quillon::agent
