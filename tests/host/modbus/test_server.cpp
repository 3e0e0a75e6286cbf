// SPDX-License-Identifier: MIT
#include "host/modbus/test_server.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace quillon::testing {

namespace {

std::string ReadLine(std::FILE* from) {
    std::array<char, 4096> line{};
    if (std::fgets(line.data(), static_cast<int>(line.size()), from) == nullptr) {
        throw std::runtime_error("the Modbus test server ended");
    }
    std::string text(line.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

ModbusTestServer::ModbusTestServer(int port, int unit) {
    Spawn({"/usr/bin/python3", QUILLON_MODBUS_TEST_SERVER, std::to_string(port),
           std::to_string(unit)});
}

ModbusTestServer::ModbusTestServer(Faulty, int port) {
    Spawn({"/usr/bin/python3", QUILLON_FAULTY_MODBUS_SERVER, std::to_string(port)});
}

void ModbusTestServer::Spawn(std::vector<std::string> words) {
    int to_child[2];
    int from_child[2];
    if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_child[0]);
    ::close(from_child[1]);
    to_server_ = ::fdopen(to_child[1], "w");
    from_server_ = ::fdopen(from_child[0], "r");
    if (failed != 0) {
        throw std::runtime_error("cannot start /usr/bin/python3");
    }
    std::istringstream answer(ReadLine(from_server_));
    std::string word;
    answer >> word >> port_;
    if (word != "port" || port_ <= 0) {
        throw std::runtime_error("the Modbus test server did not start");
    }
}

ModbusTestServer::~ModbusTestServer() {
    if (to_server_ != nullptr) {
        std::fclose(to_server_);  // its end of input ends it
    }
    if (from_server_ != nullptr) {
        std::fclose(from_server_);
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void ModbusTestServer::Set(const std::string& table, int address, const std::vector<int>& values) {
    std::string command = "set " + table + " " + std::to_string(address);
    for (int value : values) {
        command += " " + std::to_string(value);
    }
    if (Ask(command) != "ok") {
        throw std::runtime_error("the Modbus test server refused: " + command);
    }
}

std::vector<int> ModbusTestServer::Get(const std::string& table, int address, int count) {
    std::istringstream answer(
        Ask("get " + table + " " + std::to_string(address) + " " + std::to_string(count)));
    std::vector<int> values;
    for (int value = 0; answer >> value;) {
        values.push_back(value);
    }
    return values;
}

void ModbusTestServer::Kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

std::string ModbusTestServer::Ask(const std::string& command) {
    std::fputs((command + "\n").c_str(), to_server_);
    std::fflush(to_server_);
    return ReadLine(from_server_);
}

}  // namespace quillon::testing
