// SPDX-License-Identifier: MIT
#include "agent/smtp_sender.hpp"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
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
    // libcurl's buffer takes bytes and their count, not a C string.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(buffer, upload->text.data() + upload->sent, length);
    upload->sent += length;
    return length;
}

// One final reply line of the server, and the command it answered.
struct Reply {
    std::string command;    // "MAIL", "RCPT", "DATA", "END" (the end of the data), ...
    std::string recipient;  // for RCPT
    std::string line;
    int code = 0;
};

// The conversation as libcurl reports it: which command went out, what came back.
struct Conversation {
    std::string command;
    std::string recipient;
    std::vector<Reply> replies;
    const SmtpSender::Accepted* accepted = nullptr;
};

std::vector<std::string> ReachedSoFar(const Conversation& talk) {
    std::vector<std::string> reached;
    for (const Reply& reply : talk.replies) {
        if (reply.command == "RCPT" && reply.code >= 200 && reply.code < 300) {
            reached.push_back(reply.recipient);
        }
    }
    return reached;
}

std::string WithoutLineEnd(const char* data, std::size_t size) {
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

void CommandSent(Conversation& talk, const std::string& line) {
    const std::string word = line.substr(0, line.find_first_of(" :"));
    static const char* const kCommands[] = {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL",
                                            "RCPT", "DATA", "QUIT",     "RSET"};
    for (const char* command : kCommands) {
        if (word == command) {
            talk.command = word;
            const std::size_t open = line.find('<');
            const std::size_t close = line.find('>', open);
            talk.recipient = word == "RCPT" && close != std::string::npos
                                 ? line.substr(open + 1, close - open - 1)
                                 : "";
            return;
        }
    }
}

void ReplyReceived(Conversation& talk, const std::string& line) {
    const bool final_line = line.size() == 3 || (line.size() > 3 && line[3] == ' ');
    if (!final_line || line.find_first_not_of("0123456789") < 3) {
        return;
    }
    int code = 0;
    std::from_chars(line.data(), line.data() + 3, code);  // three digits, checked above
    talk.replies.push_back({talk.command, talk.recipient, line, code});
    if (talk.command == "END" && code >= 200 && code < 300 && talk.accepted != nullptr &&
        *talk.accepted) {
        (*talk.accepted)(ReachedSoFar(talk));
    }
    if (talk.command == "DATA" && code == 354) {
        talk.command = "END";
    }
}

extern "C" int FollowConversation(CURL*, curl_infotype type, char* data, std::size_t size,
                                  void* conversation) {
    auto& talk = *static_cast<Conversation*>(conversation);
    if (type == CURLINFO_HEADER_OUT) {
        CommandSent(talk, WithoutLineEnd(data, size));
    } else if (type == CURLINFO_HEADER_IN) {
        ReplyReceived(talk, WithoutLineEnd(data, size));
    }
    return 0;
}

struct Deadline {
    std::chrono::steady_clock::time_point at;
    std::vector<curl_socket_t> sockets;  // the attempt's connections still open
};

// libcurl opens and closes its connections through these two, so that the deadline knows
// which sockets to shut.
extern "C" curl_socket_t OpenSocket(void* deadline, curlsocktype, curl_sockaddr* address) {
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        static_cast<Deadline*>(deadline)->sockets.push_back(socket);
    }
    return socket;
}

extern "C" int CloseSocket(void* deadline, curl_socket_t socket) {
    std::erase(static_cast<Deadline*>(deadline)->sockets, socket);
    return ::close(socket);
}

// The whole attempt ends at its deadline, whatever libcurl waits for. Its connections are
// shut as well, so that the QUIT libcurl sends on closing one fails at once.
extern "C" int StopAtDeadline(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& deadline = *static_cast<const Deadline*>(data);
    if (std::chrono::steady_clock::now() <= deadline.at) {
        return 0;
    }
    for (const curl_socket_t socket : deadline.sockets) {
        ::shutdown(socket, SHUT_RDWR);
    }
    return 1;
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

const Reply* LastReply(const Conversation& talk) {
    for (auto reply = talk.replies.rbegin(); reply != talk.replies.rend(); ++reply) {
        if (reply->command != "QUIT") {
            return &*reply;
        }
    }
    return nullptr;
}

bool IsAuthenticationReply(const Reply& reply) {
    return reply.command == "AUTH" || reply.code == 530 || reply.code == 535 || reply.code == 534;
}

// How a failed attempt counts: only a 5xx to this mail's own commands is for good.
SendResult::Outcome FailureKind(CURLcode code, const Conversation& talk, const SendResult& result) {
    const Reply* last = LastReply(talk);
    if (code == CURLE_LOGIN_DENIED || (last != nullptr && IsAuthenticationReply(*last))) {
        return SendResult::Outcome::Authentication;
    }
    if (last == nullptr || last->code < 500) {
        return SendResult::Outcome::Temporary;
    }
    if (last->command == "RCPT") {
        return result.refused_for_now.empty() ? SendResult::Outcome::Permanent
                                              : SendResult::Outcome::Temporary;
    }
    const bool this_mail =
        last->command == "MAIL" || last->command == "DATA" || last->command == "END";
    return this_mail ? SendResult::Outcome::Permanent : SendResult::Outcome::Temporary;
}

void SortRecipients(const Conversation& talk, SendResult& result) {
    for (const Reply& reply : talk.replies) {
        if (reply.command != "RCPT") {
            continue;
        }
        if (reply.code >= 200 && reply.code < 300) {
            result.delivered_to.push_back(reply.recipient);
        } else if (reply.code >= 500) {
            result.refused_for_good.push_back({reply.recipient, reply.line});
        } else {
            result.refused_for_now.push_back({reply.recipient, reply.line});
        }
    }
}

}  // namespace

// Where to, how safely, how long, as whom.
void SmtpSender::SetServer(CURL* handle) const {
    curl_easy_setopt(handle, CURLOPT_URL, settings_.url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(settings_.connect_timeout));
    // The attempt, the reply to the end of the data too, ends at the transfer's deadline
    // (StopAtDeadline, which libcurl asks at least once a second). libcurl's own time-outs
    // are only backstops a second later: when one of them ends an attempt, libcurl sends QUIT
    // and waits the reply time again for an answer that a stalled server does not give.
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, Milliseconds(settings_.transfer_timeout) + 1000);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(std::ceil(settings_.transfer_timeout.count())) + 1);
    const bool implicit_tls = settings_.url.rfind("smtps://", 0) == 0;
    if (!implicit_tls) {
        // Plain text allowed means: when the server offers no STARTTLS, not instead of it.
        curl_easy_setopt(
            handle, CURLOPT_USE_SSL,
            static_cast<long>(settings_.allow_plain_text ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    }
    if (!settings_.ca_file.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, settings_.ca_file.c_str());
    }
    if (!settings_.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, settings_.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password_.c_str());
    }
}

SendResult SmtpSender::Send(const std::string& mail, const std::vector<std::string>& recipients,
                            const Accepted& accepted) const {
    SendResult result;
    // TransferTimeout bounds the whole attempt; libcurl alone lets the reply to the end of
    // the data take its own two minutes. Made before the handle: the handle's cleanup may
    // close a connection it kept.
    Deadline deadline{std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              settings_.transfer_timeout),
                      {}};
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = "libcurl could not start";
        return result;
    }
    std::unique_ptr<curl_slist, ListDeleter> list;
    for (const std::string& to : recipients) {
        list.reset(curl_slist_append(list.release(), ("<" + to + ">").c_str()));
    }
    Upload upload{mail};
    Conversation talk;
    talk.accepted = &accepted;
    char error[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    SetServer(handle);
    const std::string from = "<" + settings_.from.address + ">";
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, list.get());
    // Debian 12's libcurl spells the "go on when some recipients are refused" option so.
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadMail);
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, FollowConversation);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &talk);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, StopAtDeadline);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &deadline);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, OpenSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, &deadline);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, CloseSocket);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, &deadline);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = curl_easy_perform(handle);
    const Reply* last = LastReply(talk);
    result.server_reply = last != nullptr ? last->line : "";
    SortRecipients(talk, result);
    if (code == CURLE_OK) {
        // Accepted means accepted: recipients whose replies went unseen count as reached.
        if (result.delivered_to.empty()) {
            for (const std::string& to : recipients) {
                const auto refused = [&](const RefusedRecipient& r) { return r.address == to; };
                if (std::none_of(result.refused_for_good.begin(), result.refused_for_good.end(),
                                 refused) &&
                    std::none_of(result.refused_for_now.begin(), result.refused_for_now.end(),
                                 refused)) {
                    result.delivered_to.push_back(to);
                }
            }
        }
        result.outcome = SendResult::Outcome::Accepted;
        return result;
    }
    result.outcome = FailureKind(code, talk, result);
    result.error = code == CURLE_ABORTED_BY_CALLBACK  // only the deadline aborts
                       ? "no outcome within TransferTimeout (" +
                             SecondsText(settings_.transfer_timeout.count()) + ")"
                       : std::string(curl_easy_strerror(code)) + (*error ? ": " : "") + error;
    if (!result.server_reply.empty()) {
        result.error += " (server: " + result.server_reply + ")";
    }
    return result;
}

}  // namespace quillon::agent
