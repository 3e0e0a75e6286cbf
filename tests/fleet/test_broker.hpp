// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "headless/running_program.hpp"

namespace quillon::testing {

// Debian's mosquitto on two free loopback ports: plain and TLS (a certificate for 127.0.0.1
// made by openssl), both with a password file. It keeps its sessions on disk, so that a
// subscriber's queued messages outlive a restart.
class TestBroker {
public:
    static constexpr const char* kUser = "rig";
    static constexpr const char* kPassword = "s3cret rig";

    explicit TestBroker(std::filesystem::path folder);
    ~TestBroker() { Stop(); }

    // Listening on the same ports every time; false when it did not come up.
    bool Start();
    void Stop();

    int Port() const { return port_; }
    int TlsPort() const { return tls_port_; }
    std::string CaFile() const { return (folder_ / "cert.pem").string(); }

private:
    std::filesystem::path folder_;
    int port_;
    int tls_port_;
    std::unique_ptr<RunningProgram> broker_;
};

}  // namespace quillon::testing
