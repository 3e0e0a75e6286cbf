// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <sstream>

#include "case_name.hpp"
#include "headless/running_program.hpp"
#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#include "host/modbus/test_server.hpp"

namespace quillon::modbus {
namespace {

using quillon::testing::ModbusTestServer;
using quillon::testing::WaitUntil;
using ::testing::HasSubstr;

DeviceDescription Device(const ModbusTestServer& server, const std::string& lines) {
    std::istringstream in("server 127.0.0.1 " + std::to_string(server.Port()) +
                          "\npoll-rate 100\ntimeout 0.2\n" + lines);
    return DeviceFileParser("rig.dev").Parse(in);
}

std::vector<double> NewestScan(ModbusHost& host) {
    SampleBlock block;
    host.ReadScans(1, block);
    std::vector<double> values;
    for (int channel = 0; channel < block.Channels(); ++channel) {
        values.push_back(block.At(channel, 0));
    }
    return values;
}

// Reads until the newest scan shows `expected` or patience runs out; the last scan read.
std::vector<double> ScanOnceItShows(ModbusHost& host, const std::vector<double>& expected) {
    std::vector<double> seen;
    WaitUntil([&] {
        seen = NewestScan(host);
        return seen == expected;
    });
    return seen;
}

std::string FailureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const HostError& error) {
        return error.what();
    }
    return "no failure";
}

int High(float value) {
    return static_cast<int>(std::bit_cast<std::uint32_t>(value) >> 16);
}
int Low(float value) {
    return static_cast<int>(std::bit_cast<std::uint32_t>(value) & 0xFFFF);
}

TEST(ModbusHost, ScalesEveryNumberTypeFromARealServer) {
    ModbusTestServer server;
    server.Set("ir", 0, {65535, 1000, 0xFFFF, 0xFFFD, 2, 1});  // int16, uint16, int32 x2
    server.Set("hr", 10, {0x8000, 0, High(-2.5f), Low(-2.5f), Low(1.5f), High(1.5f)});
    server.Set("di", 3, {1});
    ModbusHost host(Device(server, R"(
channel 0 input-register 0 int16 gain=0.5 offset=1
channel 1 input-register 1 uint16 gain=0.01
channel 2 input-register 2 int32
channel 3 input-register 4 int32 order=low-first
channel 4 holding-register 10 uint32
channel 5 holding-register 12 float32 gain=2
channel 6 holding-register 14 float32 order=low-first offset=-1
channel 7 discrete-input 3
)"));
    host.PrepareAcquisition();
    EXPECT_THAT(ScanOnceItShows(host, {0.5, 10.0, -3.0, 65538.0, 2147483648.0, -5.0, 0.5, 1.0}),
                ::testing::ElementsAre(0.5, 10.0, -3.0, 65538.0, 2147483648.0, -5.0, 0.5, 1.0));
}

struct DigitalCase {
    const char* name;
    const char* line;
    const char* table;
    std::vector<int> values;
    double word;
};

class ModbusDigitalInput : public ::testing::TestWithParam<DigitalCase> {};

TEST_P(ModbusDigitalInput, IsTheLastChannelMarkedDigital) {
    ModbusTestServer server;
    server.Set(GetParam().table, 20, GetParam().values);
    ModbusHost host(Device(server, std::string("channel 0 input-register 0\n") + GetParam().line));
    host.PrepareAcquisition();
    EXPECT_EQ(host.ChannelCount(), 2);
    EXPECT_EQ(host.DigitalInputMark(1), -1);
    EXPECT_EQ(host.DigitalInputMark(0), 0);
    EXPECT_EQ(ScanOnceItShows(host, {0.0, GetParam().word}).back(), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ModbusDigitalInput,
    ::testing::Values(DigitalCase{"PackedDiscreteInputs",
                                  "digital discrete-inputs 20\n",
                                  "di",
                                  {1, 0, 1, 0, 0, 0, 0, 1},
                                  133.0},
                      DigitalCase{
                          "InputRegister", "digital input-register 20\n", "ir", {42}, 42.0}),
    [](const auto& info) { return quillon::testing::CaseName(info.param.name); });

struct OutputCase {
    const char* name;
    const char* lines;
    std::int16_t word;
    const char* table;
    int address;
    std::vector<int> expected;
};

class ModbusOutputs : public ::testing::TestWithParam<OutputCase> {};

TEST_P(ModbusOutputs, WriteTheWordInOneRequestInItsLayout) {
    ModbusTestServer server;
    ModbusHost host(Device(server, std::string("channel 0 input-register 0\n") + GetParam().lines));
    std::vector<std::int16_t> heard;
    host.SetOutputListener([&](double, std::int16_t word) { heard.push_back(word); });
    host.PrepareAcquisition();
    host.WriteDigitalOutputs(GetParam().word);
    const int count = static_cast<int>(GetParam().expected.size());
    EXPECT_TRUE(WaitUntil([&] {
        return server.Get(GetParam().table, GetParam().address, count) == GetParam().expected;
    }));
    EXPECT_TRUE(WaitUntil([&] {
        host.Service();
        return heard == std::vector{GetParam().word};
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ModbusOutputs,
    ::testing::Values(
        OutputCase{
            "CoilsLowLayout", "outputs coils 8\n", 0x0085, "co", 8, {1, 0, 1, 0, 0, 0, 0, 1}},
        OutputCase{"CoilsHighLayout",
                   "outputs coils 8\nidentification QM7\nlayout high\n",
                   static_cast<std::int16_t>(0x8500),
                   "co",
                   8,
                   {1, 0, 1, 0, 0, 0, 0, 1}},
        OutputCase{
            "RegisterLowLayout", "outputs holding-register 30\n", 0x0085, "hr", 30, {0x0085}},
        OutputCase{"RegisterHighLayout",
                   "outputs holding-register 30\nidentification QM7\nlayout high\n",
                   static_cast<std::int16_t>(0x8500),
                   "hr",
                   30,
                   {0x8500}}),
    [](const auto& info) { return quillon::testing::CaseName(info.param.name); });

TEST(ModbusHost, AnAddressTheServerLacksIsNamedAtStart) {
    ModbusTestServer server;  // serves addresses 0 to 199
    ModbusHost host(Device(server, "channel 0 input-register 500\n"));
    const std::string failure = FailureOf([&] { host.PrepareAcquisition(); });
    EXPECT_THAT(failure, HasSubstr("refused to read input registers 500 to 500"));
    EXPECT_THAT(failure, HasSubstr("illegal data address"));
}

TEST(ModbusHost, ReadsFailWhileTheServerIsAwayAndWorkAgainOnceItIsBack) {
    auto server = std::make_unique<ModbusTestServer>();
    const int port = server->Port();
    ModbusHost host(Device(*server, "channel 0 input-register 0\n"));
    host.PrepareAcquisition();
    server->Kill();
    std::string failure;
    EXPECT_TRUE(WaitUntil([&] {
        failure = FailureOf([&] { NewestScan(host); });
        return failure != "no failure";
    }));
    EXPECT_THAT(failure, ::testing::StartsWith("device not answering: "));
    EXPECT_THAT(FailureOf([&] { host.WriteDigitalOutputs(1); }),
                ::testing::StartsWith("device not answering: "));

    server = std::make_unique<ModbusTestServer>(port);
    server->Set("ir", 0, {7});
    EXPECT_EQ(FailureOf([&] { host.PrepareAcquisition(); }), "no failure");
    EXPECT_EQ(ScanOnceItShows(host, {7.0}), std::vector{7.0});
}

TEST(ModbusHost, ADeviceAwayLongerThanTheExitTimeRaisesTheExitEventOnce) {
    ModbusTestServer server;
    ModbusHost host(Device(server, "channel 0 input-register 0\nexit-after 0.3\n"));
    int exits = 0;
    host.OnExit([&] { ++exits; });
    host.PrepareAcquisition();
    host.Service();
    EXPECT_EQ(exits, 0);
    server.Kill();
    EXPECT_TRUE(WaitUntil([&] {
        host.Service();
        return exits > 0;
    }));
    host.Service();
    EXPECT_EQ(exits, 1);
}

TEST(ModbusHost, AWriteTheDeviceRefusesStopsTheNextReadWithTheRefusalInWords) {
    ModbusTestServer server;  // coils 0 to 199: 195 to 202 runs past the end
    ModbusHost host(Device(server, "channel 0 input-register 0\noutputs coils 195\n"));
    host.PrepareAcquisition();
    host.WriteDigitalOutputs(1);
    std::string failure;
    EXPECT_TRUE(WaitUntil([&] {
        failure = FailureOf([&] { NewestScan(host); });
        return failure != "no failure";
    }));
    EXPECT_THAT(failure, HasSubstr("refused to write coils 195 to 202: illegal data address"));
    EXPECT_EQ(FailureOf([&] { NewestScan(host); }), "no failure");  // reported once
}

TEST(ModbusHost, LatePollsAreCountedInTheStatus) {
    ModbusTestServer server;
    // Forty requests (no two addresses touch) a millisecond: more than loopback can carry.
    std::string lines = "poll-rate 1000\n";
    for (int channel = 0; channel < 40; ++channel) {
        lines += "channel " + std::to_string(channel) + " input-register " +
                 std::to_string(2 * channel) + "\n";
    }
    std::istringstream in("server 127.0.0.1 " + std::to_string(server.Port()) + "\n" + lines);
    ModbusHost host(DeviceFileParser("rig.dev").Parse(in));
    std::string status;
    host.SetProblemListener([&](const std::string& problem) { status = problem; });
    host.PrepareAcquisition();
    EXPECT_TRUE(WaitUntil([&] {
        host.Service();
        return !status.empty();
    }));
    EXPECT_THAT(status,
                ::testing::MatchesRegex("Modbus polls: [1-9][0-9]* of [0-9]+ came late .*"));
    EXPECT_GT(host.LatePolls(), 0);
}

TEST(ModbusHost, NoServerAtAllIsNamedAtStart) {
    int free_port = 0;
    {
        ModbusTestServer server;
        free_port = server.Port();
    }
    std::istringstream in("server 127.0.0.1 " + std::to_string(free_port) +
                          "\nchannel 0 input-register 0\n");
    ModbusHost host(DeviceFileParser("rig.dev").Parse(in));
    EXPECT_THAT(
        FailureOf([&] { host.PrepareAcquisition(); }),
        ::testing::AllOf(::testing::StartsWith("device not answering: connect on 127.0.0.1:"),
                         HasSubstr("Connection refused")));
}

}  // namespace
}  // namespace quillon::modbus
