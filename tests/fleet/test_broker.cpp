// SPDX-License-Identifier: MIT
#include "fleet/test_broker.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "fakes/loopback_listener.hpp"

namespace quillon::testing {
namespace {

int FreePort() {
    int port = 0;
    if (const int listener = ListenOnLoopback(port); listener >= 0) {
        close(listener);
    }
    return port;
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

bool Run(const std::string& program, std::vector<std::string> arguments) {
    ProgramStart start;
    start.program = program;
    start.arguments = std::move(arguments);
    return RunningProgram(start).WaitForExit(std::chrono::seconds(30)) == 0;
}

}  // namespace

TestBroker::TestBroker(std::filesystem::path folder)
    : folder_(std::move(folder)), port_(FreePort()), tls_port_(FreePort()) {
    std::filesystem::create_directories(folder_);
    // An elliptic-curve key: made in milliseconds, where an RSA key takes up to a second.
    Run("/usr/bin/openssl",
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", (folder_ / "key.pem").string(), "-out", CaFile(), "-days", "1", "-subj",
         "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    Run("/usr/bin/mosquitto_passwd",
        {"-c", "-b", (folder_ / "passwords").string(), kUser, kPassword});
    const passwd* me = getpwuid(geteuid());
    std::ofstream(folder_ / "mosquitto.conf")
        << "per_listener_settings false\n"
        << "allow_anonymous false\n"
        << "password_file " << (folder_ / "passwords").string() << "\n"
        << "persistence true\n"
        // One QoS 1 message at a time to each subscriber: a restart then redelivers at most one,
        // so an outage test can tell the publisher's repeats from the subscriber's.
        << "max_inflight_messages 1\n"
        << "persistence_location " << folder_.string() << "/\n"
        << "user " << (me ? me->pw_name : "root") << "\n"
        << "log_dest file " << (folder_ / "mosquitto.log").string() << "\n"
        << "listener " << port_ << " 127.0.0.1\n"
        << "listener " << tls_port_ << " 127.0.0.1\n"
        << "certfile " << CaFile() << "\n"
        << "keyfile " << (folder_ / "key.pem").string() << "\n";
}

bool TestBroker::Start() {
    ProgramStart start;
    start.program = "/usr/sbin/mosquitto";
    start.arguments = {"-c", (folder_ / "mosquitto.conf").string()};
    broker_ = std::make_unique<RunningProgram>(start);
    return WaitUntil([&] { return Accepts(port_) && Accepts(tls_port_); });
}

void TestBroker::Stop() {
    if (broker_) {
        broker_->Signal(SIGTERM);
        broker_->WaitForExit();
        broker_.reset();
    }
}

}  // namespace quillon::testing
