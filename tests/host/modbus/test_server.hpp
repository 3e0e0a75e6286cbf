// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quillon::testing {

// The pymodbus server of modbus_test_server.py on loopback, as a child process that the test
// controls through its standard input: the data it serves, and when it lives.
class ModbusTestServer {
public:
    // Port 0: any free port.
    explicit ModbusTestServer(int port = 0, int unit = 1);
    // faulty_modbus_server.py, which misbehaves on command (see Command).
    struct Faulty {};
    explicit ModbusTestServer(Faulty, int port = 0);
    ~ModbusTestServer();
    ModbusTestServer(const ModbusTestServer&) = delete;
    ModbusTestServer& operator=(const ModbusTestServer&) = delete;

    int Port() const { return port_; }
    // Table: "co", "di", "hr" or "ir".
    void Set(const std::string& table, int address, const std::vector<int>& values);
    std::vector<int> Get(const std::string& table, int address, int count);
    // Gone at once, as a pulled cable or a crashed device.
    void Kill();
    // One command line of the faulty server ("silence 0.5", "units"); its answer.
    std::string Command(const std::string& command) { return Ask(command); }

private:
    void Spawn(std::vector<std::string> words);
    std::string Ask(const std::string& command);

    pid_t pid_ = -1;
    std::FILE* to_server_ = nullptr;
    std::FILE* from_server_ = nullptr;
    int port_ = 0;
};

}  // namespace quillon::testing
