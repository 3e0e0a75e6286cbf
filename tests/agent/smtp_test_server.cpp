// SPDX-License-Identifier: MIT
#include "agent/smtp_test_server.hpp"

#include <unistd.h>

#include <csignal>
#include <fstream>

#include "fakes/loopback_listener.hpp"

namespace quillon::testing {
namespace {

ProgramStart Program(std::string path, std::vector<std::string> arguments) {
    ProgramStart start;
    start.program = std::move(path);
    start.arguments = std::move(arguments);
    return start;
}

// An elliptic-curve key: made in milliseconds, where an RSA key takes up to a second of each
// test.
bool MakeCertificate(const std::filesystem::path& folder) {
    RunningProgram openssl(Program(
        "/usr/bin/openssl",
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", (folder / "key.pem").string(), "-out", (folder / "cert.pem").string(), "-days",
         "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}));
    return openssl.WaitForExit() == 0;
}

}  // namespace

SmtpTestServer::SmtpTestServer(std::filesystem::path folder, Tls tls)
    : folder_(std::move(folder)), tls_(tls) {
    std::filesystem::create_directories(folder_ / "store");
    MakeCertificate(folder_);
}

// The socket listens before Python starts (it takes a good part of a second to import its
// mail modules): a client that connects meanwhile waits in the queue for the greeting.
bool SmtpTestServer::Start() {
    std::filesystem::remove(Ready());
    const int listener = ListenOnLoopback(port_);
    if (listener < 0) {
        return false;
    }
    ProgramStart start = Program(
        "/usr/bin/python3", {QUILLON_SMTP_TEST_SERVER, "--store", (folder_ / "store").string(),
                             "--ready", Ready().string(), "--cert", Certificate().string(), "--key",
                             (folder_ / "key.pem").string(), "--user", kUser, "--password",
                             kPassword, "--rules", (folder_ / "rules.json").string(), "--tls",
                             tls_ == Tls::Required  ? "required"
                             : tls_ == Tls::Offered ? "offered"
                                                    : "none"});
    start.standard_input = listener;
    server_ = std::make_unique<RunningProgram>(start);
    close(listener);
    return true;
}

bool SmtpTestServer::Answering() const {
    return server_ &&
           WaitUntil([&] { return std::filesystem::exists(Ready()); }, std::chrono::seconds(20));
}

void SmtpTestServer::Stop() {
    if (server_) {
        server_->Signal(SIGTERM);
        server_->WaitForExit();
        server_.reset();
    }
}

std::vector<std::filesystem::path> SmtpTestServer::StoredFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ / "store")) {
        if (entry.path().filename().string().front() != '.' && entry.path().extension() == ".eml") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> SmtpTestServer::Mails() const {
    std::vector<std::string> mails;
    for (const auto& file : StoredFiles()) {
        mails.push_back(ReadWholeFile(file.string()));
    }
    return mails;
}

// The sidecar is plain JSON of three fields; a small reader does for the test.
std::vector<SmtpTestServer::Envelope> SmtpTestServer::Envelopes() const {
    std::vector<Envelope> envelopes;
    for (const auto& file : StoredFiles()) {
        const std::string json = ReadWholeFile(file.string() + ".json");
        Envelope envelope;
        const std::size_t list_begin = json.find('[');
        const std::size_t list_end = json.find(']', list_begin);
        for (std::size_t at = json.find('"', list_begin); at < list_end;
             at = json.find('"', json.find('"', at + 1) + 1)) {
            const std::size_t close = json.find('"', at + 1);
            envelope.recipients.push_back(json.substr(at + 1, close - at - 1));
        }
        envelope.tls = json.find("\"tls\": true") != std::string::npos;
        const std::size_t subject = json.find("\"subject\": \"");
        if (subject != std::string::npos) {
            const std::size_t begin = subject + 12;
            envelope.subject = json.substr(begin, json.rfind('"') - begin);
        }
        envelopes.push_back(envelope);
    }
    return envelopes;
}

void SmtpTestServer::SetRules(const std::string& json) const {
    const std::filesystem::path rules = folder_ / "rules.json";
    std::ofstream(folder_ / "rules.tmp") << json;
    std::filesystem::rename(folder_ / "rules.tmp", rules);
}

std::string DecodedMail(const std::string& mail) {
    std::string decoded;
    for (std::size_t i = 0; i < mail.size(); ++i) {
        if (mail[i] == '=' && i + 2 < mail.size() && mail[i + 1] == '\r' && mail[i + 2] == '\n') {
            i += 2;  // soft line break
        } else if (mail[i] == '=' && i + 2 < mail.size() && std::isxdigit(mail[i + 1]) &&
                   std::isxdigit(mail[i + 2])) {
            decoded += static_cast<char>(std::stoi(mail.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += mail[i];
        }
    }
    return decoded;
}

}  // namespace quillon::testing
