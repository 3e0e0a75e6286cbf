// SPDX-License-Identifier: MIT
#include "agent/smtp_sender.hpp"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace quillon::agent {
namespace {

struct Upload {
    const std::string& text;
    std::size_t sent = 0;
};

extern "C" std::size_t ReadMail(char* buffer, std::size_t size, std::size_t count, void* data) {
    auto* upload = static_cast<Upload*>(data);
    const std::size_t room = size * count;
    const std::size_t length = std::min(room, upload->text.size() - upload->sent);
    std::memcpy(buffer, upload->text.data() + upload->sent, length);
    upload->sent += length;
    return length;
}

// The server's lines, to tell what it answered to the mail.
extern "C" int KeepServerLines(CURL*, curl_infotype type, char* data, std::size_t size,
                               void* lines) {
    if (type == CURLINFO_HEADER_IN) {
        std::string line(data, size);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        static_cast<std::vector<std::string>*>(lines)->push_back(line);
    }
    return 0;
}

// The reply to the end of the data: the last line before the goodbye ("221").
std::string ReplyToMail(const std::vector<std::string>& lines) {
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->rfind("221", 0) != 0) {
            return *line;
        }
    }
    return "";
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

long Milliseconds(Seconds seconds) {
    return static_cast<long>(seconds.count() * 1000);
}

std::string Bracketed(const std::string& address) {
    return address.find('<') == std::string::npos ? "<" + address + ">" : address;
}

}  // namespace

// Where to, how safely, how long, as whom.
void SmtpSender::SetServer(CURL* handle) const {
    curl_easy_setopt(handle, CURLOPT_URL, settings_.url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(settings_.connect_timeout));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, Milliseconds(settings_.transfer_timeout));
    const bool implicit_tls = settings_.url.rfind("smtps://", 0) == 0;
    if (!implicit_tls && !settings_.allow_plain_text) {
        curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    }
    if (!settings_.ca_file.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, settings_.ca_file.c_str());
    }
    if (!settings_.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, settings_.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password_.c_str());
    }
}

SendResult SmtpSender::Send(const std::string& mail) const {
    SendResult result;
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = "libcurl could not start";
        return result;
    }
    std::unique_ptr<curl_slist, ListDeleter> recipients;
    for (const std::string& to : settings_.to) {
        recipients.reset(curl_slist_append(recipients.release(), Bracketed(to).c_str()));
    }
    Upload upload{mail};
    std::vector<std::string> lines;
    char error[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    SetServer(handle);
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, Bracketed(settings_.from).c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadMail);
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, KeepServerLines);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &lines);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    const CURLcode code = curl_easy_perform(handle);
    result.server_reply = ReplyToMail(lines);
    result.accepted = code == CURLE_OK;
    if (!result.accepted) {
        result.error = std::string(curl_easy_strerror(code)) + (*error ? ": " : "") + error;
        if (!result.server_reply.empty()) {
            result.error += " (server: " + result.server_reply + ")";
        }
    }
    return result;
}

}  // namespace quillon::agent
