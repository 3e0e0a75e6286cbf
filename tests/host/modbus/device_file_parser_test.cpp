// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sstream>

#include "case_name.hpp"
#include "host/modbus/device_file_parser.hpp"

namespace quillon::modbus {
namespace {

DeviceDescription Parse(const std::string& text) {
    std::istringstream in(text);
    return DeviceFileParser("rig.dev").Parse(in);
}

constexpr const char* kEightInEightOut = R"(# 8 analog inputs, 8 relays
server 192.168.1.50 1502
unit 3
poll-rate 50
exit-after 30
identification "QM7 rig"
model 480
channel 0 input-register 0 int16 gain=0.001 range=32.767,-32.768 text="Tank level"
channel 1 holding-register 10 float32 order=low-first
channel 2 discrete-input 7 text=Door
digital discrete-inputs 16
outputs coils 100
layout high
)";

TEST(DeviceFile, ReadsEveryKeyword) {
    const DeviceDescription device = Parse(kEightInEightOut);
    EXPECT_EQ(device.server, "192.168.1.50");
    EXPECT_EQ(device.port, 1502);
    EXPECT_EQ(device.unit, 3);
    EXPECT_EQ(device.poll_rate, 50.0);
    EXPECT_EQ(device.exit_after, 30.0);
    EXPECT_EQ(device.model, 480);
    EXPECT_TRUE(device.high_byte_layout);
    ASSERT_EQ(device.channels.size(), 3u);
    EXPECT_EQ(device.channels[0].gain, 0.001);
    EXPECT_EQ(device.channels[0].upper_range, 32.767);
    EXPECT_EQ(device.channels[0].text, "Tank level");
    EXPECT_EQ(device.channels[1].source.table, Table::HoldingRegisters);
    EXPECT_EQ(device.channels[1].source.type, NumberType::Float32);
    EXPECT_EQ(device.channels[1].source.order, WordOrder::LowFirst);
    EXPECT_EQ(device.channels[2].source.type, NumberType::Bit);
    ASSERT_TRUE(device.digital);
    EXPECT_EQ(device.digital->source.address, 16);
    ASSERT_TRUE(device.outputs);
    EXPECT_EQ(device.outputs->table, Table::Coils);
    EXPECT_EQ(device.outputs->address, 100);
}

TEST(DeviceFile, DefaultsLeaveTheExitTimeNeverAndTheLayoutToTheIdentification) {
    const DeviceDescription device = Parse("server plc.local\nchannel 0 input-register 5\n");
    EXPECT_EQ(device.port, 502);
    EXPECT_EQ(device.unit, 1);
    EXPECT_FALSE(device.exit_after);
    EXPECT_FALSE(device.high_byte_layout);
    EXPECT_FALSE(device.outputs);
    EXPECT_EQ(device.channels[0].source.type, NumberType::Int16);
}

struct ErrorCase {
    const char* name;
    const char* text;
    const char* message;
};

class DeviceFileRefusal : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DeviceFileRefusal, NamesFileLineAndProblem) {
    try {
        Parse(GetParam().text);
        FAIL() << "no error";
    } catch (const DeviceFileError& error) {
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

constexpr const char* kServer = "server 127.0.0.1\n";

INSTANTIATE_TEST_SUITE_P(
    Messages, DeviceFileRefusal,
    ::testing::Values(
        ErrorCase{"NoServer", "channel 0 input-register 0\n",
                  "rig.dev: no server line; add one, e.g. \"server 192.168.1.50 502\""},
        ErrorCase{"NoChannel", kServer,
                  "rig.dev: no channel line; add one, e.g. \"channel 0 input-register 0\""},
        ErrorCase{"UnknownKeyword", "server 127.0.0.1\nchanel 0 input-register 0\n",
                  "rig.dev:2: unknown keyword \"chanel\"; expected server, unit, poll-rate, "
                  "timeout, exit-after, identification, model, host-value, channel, digital, "
                  "outputs or layout"},
        ErrorCase{"UnknownSource", "server 127.0.0.1\nchannel 0 input 0\n",
                  "rig.dev:2: unknown channel source \"input\"; expected input-register, "
                  "holding-register or discrete-input"},
        ErrorCase{"UnknownType", "server 127.0.0.1\nchannel 0 input-register 0 int64\n",
                  "rig.dev:2: unknown number type \"int64\"; expected int16, uint16, int32, "
                  "uint32 or float32"},
        ErrorCase{"UnknownOrder", "server 127.0.0.1\nchannel 0 input-register 0 int32 order=big\n",
                  "rig.dev:2: unknown word order \"big\"; expected high-first or low-first"},
        ErrorCase{"ThirtyTwoBitsPastTheLastRegister",
                  "server 127.0.0.1\nchannel 0 input-register 65535 float32\n",
                  "rig.dev:2: channel address must be a whole number from 0 to 65534, got "
                  "\"65535\""},
        ErrorCase{"GapInChannels",
                  "server 127.0.0.1\nchannel 0 input-register 0\nchannel 2 input-register 1\n",
                  "rig.dev:3: channel 2 comes after a gap: channel 1 is missing (channels are "
                  "numbered 0, 1, 2, ...)"},
        ErrorCase{"ChannelTwice",
                  "server 127.0.0.1\nchannel 0 input-register 0\nchannel 0 input-register 1\n",
                  "rig.dev:3: channel 0 is already defined on line 2"},
        ErrorCase{"BadRange", "server 127.0.0.1\nchannel 0 input-register 0 range=10\n",
                  "rig.dev:2: range must be written UPPER,LOWER, got \"10\""},
        ErrorCase{"UnknownSetting", "server 127.0.0.1\nchannel 0 input-register 0 scale=2\n",
                  "rig.dev:2: unknown channel setting \"scale\"; expected gain, offset, range, "
                  "text or order"},
        ErrorCase{"PollRateZero", "server 127.0.0.1\npoll-rate 0\n",
                  "rig.dev:2: poll-rate must be from 0.01 to 1000 polls per second"},
        ErrorCase{"PollRateTiny", "server 127.0.0.1\npoll-rate 1e-12\n",
                  "rig.dev:2: poll-rate must be from 0.01 to 1000 polls per second"},
        ErrorCase{"OrderOnSixteenBits",
                  "server 127.0.0.1\nchannel 0 input-register 0 uint16 order=low-first\n",
                  "rig.dev:2: order= applies to the 32-bit types (int32, uint32, float32) only"},
        ErrorCase{"SettingTwice",
                  "server 127.0.0.1\nchannel 0 input-register 0 gain=2 offset=1 gain=3\n",
                  "rig.dev:2: channel setting gain is given twice"},
        ErrorCase{"RangeUpsideDown", "server 127.0.0.1\nchannel 0 input-register 0 range=-10,10\n",
                  "rig.dev:2: range is written UPPER,LOWER with UPPER above LOWER, got "
                  "\"-10,10\"; did you mean range=10,-10?"},
        ErrorCase{"UnitReserved", "server 127.0.0.1\nunit 248\n",
                  "rig.dev:2: unit 248 is reserved: a unit id is 0 to 247, or 255"},
        ErrorCase{"UnknownOutputs", "server 127.0.0.1\noutputs relays 0\n",
                  "rig.dev:2: unknown output target \"relays\"; expected coils or "
                  "holding-register"},
        ErrorCase{"HighLayoutWithoutSeven",
                  "server 127.0.0.1\nlayout high\nchannel 0 input-register 0\n",
                  "rig.dev:2: layout high needs an identification whose third character is 7, "
                  "e.g. identification \"QM7 rig\""},
        ErrorCase{"ServerTwice", "server 127.0.0.1\nserver 127.0.0.2\n",
                  "rig.dev:2: server is already set on line 1"},
        ErrorCase{"PortOutOfRange", "server 127.0.0.1 70000\n",
                  "rig.dev:1: port must be a whole number from 1 to 65535, got \"70000\""}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

// The example that ships with the package stays a valid device file.
TEST(DeviceFile, TheShippedExampleReads) {
    const DeviceDescription rig = LoadDeviceFile(QUILLON_SOURCE_DIR "/examples/rig.dev");
    EXPECT_EQ(rig.channels.size(), 8U);  // eight analog inputs; the digital channel is apart
}

TEST(DeviceFile, AMissingFileIsNamedWithItsReason) {
    EXPECT_THROW(
        {
            try {
                LoadDeviceFile("/nonexistent/rig.dev");
            } catch (const DeviceFileError& error) {
                EXPECT_STREQ(error.what(),
                             "/nonexistent/rig.dev: cannot open: No such file or directory");
                throw;
            }
        },
        DeviceFileError);
}

}  // namespace
}  // namespace quillon::modbus
