// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "headless/running_program.hpp"

namespace quillon::testing {

// The real SMTP server of the agent's tests: aiosmtpd on a free loopback port, STARTTLS and
// AUTH required, with a certificate made for it with openssl. Mails it accepted are files.
class SmtpTestServer {
public:
    static constexpr char kUser[] = "quillon";
    static constexpr char kPassword[] = "s3cret word";

    // How the server treats TLS: STARTTLS required (and AUTH), offered, or not offered.
    enum class Tls { Required, Offered, None };

    explicit SmtpTestServer(std::filesystem::path folder, Tls tls = Tls::Required);
    ~SmtpTestServer() { Stop(); }
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // Starts listening: on a free port the first time, on the same port after Stop. The server
    // answers a little later, once Python has started.
    bool Start();
    // Whether the started server answers, or will within a generous time.
    bool Answering() const;
    void Stop();
    int Port() const { return port_; }
    pid_t Pid() const { return server_ ? server_->Id() : 0; }
    std::string Url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
    std::filesystem::path Certificate() const { return folder_ / "cert.pem"; }

    // The mails accepted so far, in arrival order.
    std::vector<std::string> Mails() const;
    // What the server saw of each accepted mail, in arrival order.
    struct Envelope {
        std::vector<std::string> recipients;
        bool tls = false;
        std::string subject;  // decoded by Python's e-mail parser
    };
    std::vector<Envelope> Envelopes() const;
    // The server's rules as JSON (see smtp_test_server.py); they hold from the next command.
    void SetRules(const std::string& json) const;

private:
    std::vector<std::filesystem::path> StoredFiles() const;
    std::filesystem::path Ready() const { return folder_ / "ready"; }

    std::filesystem::path folder_;
    Tls tls_;
    std::unique_ptr<RunningProgram> server_;
    int port_ = 0;
};

// The mail's body parts decoded from quoted-printable, for the test to search.
std::string DecodedMail(const std::string& mail);

}  // namespace quillon::testing
