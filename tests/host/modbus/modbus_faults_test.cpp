// SPDX-License-Identifier: MIT
// The Modbus host against a server that misbehaves as real modules and gateways do.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>

#include "app/host_selection.hpp"
#include "case_name.hpp"
#include "fakes/loopback_listener.hpp"
#include "headless/running_program.hpp"
#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#include "host/modbus/test_server.hpp"

namespace quillon::modbus {
namespace {

using quillon::testing::ModbusTestServer;
using quillon::testing::WaitUntil;
using ::testing::HasSubstr;

constexpr char kFastPolls[] = "poll-rate 100\ntimeout 0.2\n";

DeviceDescription Device(int port, const std::string& settings = kFastPolls,
                         const std::string& server = "127.0.0.1") {
    std::istringstream in("server " + server + " " + std::to_string(port) + "\n" + settings +
                          "channel 0 input-register 0\n");
    return DeviceFileParser("rig.dev").Parse(in);
}

std::string FailureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const HostError& error) {
        return error.what();
    }
    return "no failure";
}

double NewestValue(ModbusHost& host) {
    SampleBlock block;
    host.ReadScans(1, block);
    return block.At(0, 0);
}

// The first read failure within the patience, or "no failure".
std::string FirstReadFailure(ModbusHost& host, std::chrono::milliseconds patience) {
    std::string failure = "no failure";
    WaitUntil(
        [&] {
            failure = FailureOf([&] { NewestValue(host); });
            return failure != "no failure";
        },
        patience);
    return failure;
}

std::string LastWord(const std::string& text) {
    return text.substr(text.find_last_of(' ') + 1);
}

struct UnitCase {
    const char* name;
    int unit;
};

class ModbusUnitIds : public ::testing::TestWithParam<UnitCase> {};

TEST_P(ModbusUnitIds, GoOutOnTheWireAsWritten) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    ModbusHost host(
        Device(server.Port(), kFastPolls + ("unit " + std::to_string(GetParam().unit) + "\n")));
    host.PrepareAcquisition();
    EXPECT_EQ(LastWord(server.Command("units")), std::to_string(GetParam().unit));
}

INSTANTIATE_TEST_SUITE_P(Units, ModbusUnitIds,
                         ::testing::Values(UnitCase{"Zero", 0}, UnitCase{"Last", 247},
                                           UnitCase{"Any", 255}),
                         [](const auto& info) {
                             return quillon::testing::CaseName(info.param.name);
                         });

TEST(ModbusUnitIds, TheReservedOnesAreRefusedWithTheReason) {
    for (const char* unit : {"248", "250", "254"}) {
        std::istringstream in(std::string("server 127.0.0.1\nunit ") + unit +
                              "\nchannel 0 input-register 0\n");
        try {
            DeviceFileParser("rig.dev").Parse(in);
            ADD_FAILURE() << "unit " << unit << " accepted";
        } catch (const DeviceFileError& error) {
            EXPECT_EQ(error.what(), "rig.dev:2: unit " + std::string(unit) +
                                        " is reserved: a unit id is 0 to 247, or 255");
        }
    }
}

struct InvalidReplyCase {
    const char* name;
    const char* fault;
    const char* reason;
};

class ModbusInvalidReplies : public ::testing::TestWithParam<InvalidReplyCase> {};

// Such a reply is another device's, or another request's: never a scan.
TEST_P(ModbusInvalidReplies, AreRejectedAndStopTheReadsOnceStale) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    server.Set("ir", 0, {5});
    ModbusHost host(Device(server.Port()));
    host.PrepareAcquisition();
    server.Set("ir", 0, {9});
    server.Command(GetParam().fault);
    const std::string failure = FirstReadFailure(host, std::chrono::seconds(5));
    EXPECT_THAT(failure, HasSubstr(GetParam().reason));
    EXPECT_THAT(failure, HasSubstr("invalid reply to read input registers 0 to 0"));
    EXPECT_THAT(FailureOf([&] { host.PrepareAcquisition(); }),
                ::testing::AllOf(::testing::StartsWith("invalid reply to read"),
                                 HasSubstr(GetParam().reason)));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ModbusInvalidReplies,
    ::testing::Values(
        InvalidReplyCase{"UnitId", "reply-unit 9", "it came from unit 9, not unit 1"},
        InvalidReplyCase{"ProtocolId", "reply-protocol 1", "protocol id 1, not 0 (Modbus)"},
        InvalidReplyCase{"TransactionId", "reply-transaction-offset 1", "it answers transaction"}),
    [](const auto& info) { return quillon::testing::CaseName(info.param.name); });

struct BlipCase {
    const char* name;
    const char* fault;
};

class ModbusBlips : public ::testing::TestWithParam<BlipCase> {};

// Shorter than the staleness limit (3 polls and 2 timeouts: 0.43 s here), a fault is no read
// failure, and the scans carry on.
TEST_P(ModbusBlips, FailNoReadAndTheScansCarryOn) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    ModbusHost host(Device(server.Port()));
    host.PrepareAcquisition();
    server.Command(GetParam().fault);
    const auto connections = std::stoi(server.Command("connections"));
    server.Set("ir", 0, {7});
    bool failed = false;
    EXPECT_TRUE(WaitUntil([&] {
        const std::string failure = FailureOf([&] { NewestValue(host); });
        failed = failed || failure != "no failure";
        return failure == "no failure" && NewestValue(host) == 7.0;
    }));
    EXPECT_FALSE(failed);
    EXPECT_GE(std::stoi(server.Command("connections")), connections);
}

INSTANTIATE_TEST_SUITE_P(Faults, ModbusBlips,
                         ::testing::Values(BlipCase{"ShortSilence", "silence 0.15"},
                                           BlipCase{"DroppedReply", "drop 1"},
                                           BlipCase{"OneBusyReply", "exception 6 1"},
                                           BlipCase{"SplitReply", "split 0.1"},
                                           BlipCase{"IdleClose", "idle-close 0.005"}),
                         [](const auto& info) {
                             return quillon::testing::CaseName(info.param.name);
                         });

TEST(ModbusFaults, ARefusalRepeatingPastTheLimitFailsWithItsMeaningAndIsCounted) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    ModbusHost host(Device(server.Port()));
    std::string status;
    host.SetProblemListener([&](const std::string& problem) { status = problem; });
    host.PrepareAcquisition();
    server.Command("exception 11 -1");
    EXPECT_THAT(FirstReadFailure(host, std::chrono::seconds(5)),
                HasSubstr("refused to read input registers 0 to 0: gateway target failed to "
                          "respond: the unit behind the gateway is silent (no good poll for "));
    EXPECT_TRUE(WaitUntil([&] {
        host.Service();
        return !status.empty();
    }));
    EXPECT_THAT(status, ::testing::MatchesRegex("Modbus: [1-9][0-9]* refused polls? in the last "
                                                "minute \\(the device .* refused .*\\)"));
}

TEST(ModbusFaults, ASplitReplyWaitsForItsRestWithinTheTimeout) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    server.Set("ir", 0, {3});
    server.Command("split 0.7");
    ModbusHost host(Device(server.Port(), "poll-rate 1\ntimeout 5\n"));
    EXPECT_EQ(FailureOf([&] { host.PrepareAcquisition(); }), "no failure");
    EXPECT_EQ(NewestValue(host), 3.0);
}

TEST(ModbusFaults, AnUnansweredConnectIsNamedInWords) {
    // A listener whose backlog is full: the kernel drops the next connection request.
    int port = 0;
    const int listener = testing::ListenOnLoopback(port, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        // Non-blocking: "in progress" or taken, either way it holds a place in the backlog.
        (void)::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ModbusHost host(Device(port));
    EXPECT_THAT(FailureOf([&] { host.PrepareAcquisition(); }),
                HasSubstr("no answer to the connection request within 0.2 s"));
    for (const int filler : fillers) {
        ::close(filler);
    }
    ::close(listener);
}

TEST(ModbusFaults, AnUnknownNameIsNamedInWords) {
    ModbusHost host(Device(502, kFastPolls, "quillon-test.invalid"));
    EXPECT_THAT(FailureOf([&] { host.PrepareAcquisition(); }),
                HasSubstr("connect on quillon-test.invalid:502 unit 1: cannot find the address "
                          "of quillon-test.invalid"));
}

TEST(ModbusFaults, AnIpv6AddressIsWrittenInBrackets) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    ModbusHost host(Device(server.Port() == 1 ? 2 : 1, kFastPolls, "[::1]"));
    EXPECT_THAT(
        FailureOf([&] { host.PrepareAcquisition(); }),
        HasSubstr("connect on [::1]:" + std::to_string(server.Port() == 1 ? 2 : 1) + " unit 1: "));
}

TEST(ModbusFaults, AModbusHostWithoutAFileSaysSo) {
    try {
        CreateSelectedHost("-dmodbus: -nRig");
        ADD_FAILURE() << "accepted";
    } catch (const HostSelectionError& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("-dmodbus: names no file: write "
                                                        "-dmodbus:PATH"));
    }
}

TEST(ModbusFaults, TheHostEndsAtOnceWhileARequestWaitsOnASilentDevice) {
    ModbusTestServer server(ModbusTestServer::Faulty{});
    server.Command("silence 1000");
    auto host = std::make_unique<ModbusHost>(Device(server.Port(), "timeout 30\n"));
    EXPECT_TRUE(WaitUntil([&] { return !server.Command("units").empty(); }));
    const auto before = std::chrono::steady_clock::now();
    host.reset();
    // Far below the request's 30 s timeout, the only other way out.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

}  // namespace
}  // namespace quillon::modbus
