// SPDX-License-Identifier: MIT
#include "control/output_word.hpp"

#include <gtest/gtest.h>

#include <string>

#include "case_name.hpp"
#include "fakes/recording_host.hpp"

namespace quillon {
namespace {

struct BitCase {
    std::vector<std::pair<int, int>> bits;  // SetOutputBit calls in order
    std::uint16_t word;
    std::uint16_t high_byte_word;
};

// "Bit7Is1_Bit7Is0": the calls in order.
std::string BitCallsName(const std::vector<std::pair<int, int>>& bits) {
    std::string name;
    for (const auto& [bit, value] : bits) {
        name += (name.empty() ? "Bit" : "_Bit") + testing::CaseName(bit) + "Is" +
                testing::CaseName(value);
    }
    return name;
}

class SetOutputBitTest : public ::testing::TestWithParam<BitCase> {};

TEST_P(SetOutputBitTest, KeepsBothLayouts) {
    ForceWrite force_write;
    InstanceFacts facts;
    testing::RecordingHost host;
    OutputWord output(force_write, facts, host);
    for (const auto& [n, value] : GetParam().bits) {
        output.SetOutputBit(n, value);
    }
    EXPECT_EQ(output.Word(), GetParam().word);
    EXPECT_EQ(output.HighByteWord(), GetParam().high_byte_word);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, SetOutputBitTest,
    ::testing::Values(BitCase{{{7, 1}}, 0x0080, 0x8000}, BitCase{{{7, 1}, {7, 0}}, 0, 0},
                      BitCase{{{0, 1}, {3, 1}}, 9, 0x0900}, BitCase{{{2, 1}, {2, 2}}, 0, 0},
                      BitCase{{{2, 1}, {2, -1}}, 0, 0}, BitCase{{{0, 1}, {7, 1}}, 0x81, 0x8100}),
    [](const auto& info) { return BitCallsName(info.param.bits); });

TEST(WriteOutputWordTest, WritesChangesAndForcedWritesOfTheSelectedLayoutOnly) {
    ForceWrite force_write;
    InstanceFacts facts;
    testing::RecordingHost host;
    OutputWord output(force_write, facts, host);
    force_write.pending = true;
    output.WriteOutputWord();  // forced, although 0 is what was last written
    output.WriteOutputWord();  // unchanged
    output.SetOutputBit(7, 1);
    output.WriteOutputWord();
    facts.high_byte_layout = true;
    output.WriteOutputWord();
    output.WriteOutputWord();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"16:0", "16:128", "16:-32768"}));
    EXPECT_EQ(output.LastWrittenWord(), 0x80);
    EXPECT_FALSE(force_write.pending);
}

TEST(WriteOutputWordTest, AFailedWriteIsForcedAgainNextTime) {
    ForceWrite force_write;
    InstanceFacts facts;
    testing::RecordingHost host;
    OutputWord output(force_write, facts, host);
    force_write.pending = true;
    host.fail_writes = true;
    EXPECT_THROW(output.WriteOutputWord(), HostError);
    EXPECT_TRUE(force_write.pending);
    host.fail_writes = false;
    output.WriteOutputWord();
    EXPECT_EQ(host.calls.back(), "16:0");
}

}  // namespace
}  // namespace quillon
