// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <bit>
#include <thread>
#include <vector>

#include "case_name.hpp"
#include "host/modbus/read_plan.hpp"
#include "host/modbus/register_value.hpp"
#include "host/modbus/scan_ring.hpp"

namespace quillon::modbus {
namespace {

DeviceDescription::Channel At(Table table, int address, NumberType type = NumberType::Int16) {
    DeviceDescription::Channel channel;
    channel.source = {table, static_cast<std::uint16_t>(address), type, WordOrder::HighFirst};
    return channel;
}

struct PlanCase {
    const char* name;
    std::vector<DeviceDescription::Channel> channels;
    std::vector<ReadRequest> expected;
};

class ReadPlanGrouping : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ReadPlanGrouping, ReadsNeighboursTogetherAndNeverBridgesAGap) {
    DeviceDescription device;
    device.channels = GetParam().channels;
    const ReadPlan plan(device);
    const auto& requests = plan.Requests();
    ASSERT_EQ(requests.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].table, GetParam().expected[i].table) << i;
        EXPECT_EQ(requests[i].address, GetParam().expected[i].address) << i;
        EXPECT_EQ(requests[i].count, GetParam().expected[i].count) << i;
    }
}

constexpr auto IR = Table::InputRegisters;
constexpr auto HR = Table::HoldingRegisters;

INSTANTIATE_TEST_SUITE_P(
    Tables, ReadPlanGrouping,
    ::testing::Values(PlanCase{"EightNeighboursInOneRequest",
                               {At(IR, 3), At(IR, 0), At(IR, 1), At(IR, 2), At(IR, 4), At(IR, 5),
                                At(IR, 6), At(IR, 7)},
                               {{IR, 0, 8}}},
                      PlanCase{"AGapSplits", {At(IR, 0), At(IR, 2)}, {{IR, 0, 1}, {IR, 2, 1}}},
                      PlanCase{"ThirtyTwoBitValuesTouch",
                               {At(HR, 10, NumberType::Float32), At(HR, 12, NumberType::Int32)},
                               {{HR, 10, 4}}},
                      PlanCase{"TablesApart", {At(IR, 0), At(HR, 1)}, {{IR, 0, 1}, {HR, 1, 1}}},
                      PlanCase{"AtMost125RegistersARequest",
                               [] {
                                   std::vector<DeviceDescription::Channel> channels;
                                   for (int address = 0; address < 130; ++address) {
                                       channels.push_back(At(IR, address));
                                   }
                                   return channels;
                               }(),
                               {{IR, 0, 125}, {IR, 125, 5}}}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

struct ValueCase {
    const char* name;
    NumberType type;
    WordOrder order;
    std::vector<std::uint16_t> registers;
    double expected;
};

class RegisterDecoding : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegisterDecoding, GivesTheNumberTheRegistersHold) {
    EXPECT_EQ(RawValue(GetParam().type, GetParam().order, GetParam().registers.data()),
              GetParam().expected);
}

constexpr auto Hi = WordOrder::HighFirst;
constexpr auto Lo = WordOrder::LowFirst;
const std::uint32_t kMinusTwoPointFive = std::bit_cast<std::uint32_t>(-2.5f);

INSTANTIATE_TEST_SUITE_P(
    Types, RegisterDecoding,
    ::testing::Values(
        ValueCase{"Int16Negative", NumberType::Int16, Hi, {0xFFFE}, -2.0},
        ValueCase{"Uint16Top", NumberType::Uint16, Hi, {0xFFFE}, 65534.0},
        ValueCase{"Int32HighFirst", NumberType::Int32, Hi, {0xFFFF, 0xFFFD}, -3.0},
        ValueCase{"Int32LowFirst", NumberType::Int32, Lo, {0x0001, 0x0002}, 131073.0},
        ValueCase{"Uint32HighFirst", NumberType::Uint32, Hi, {0x8000, 0x0000}, 2147483648.0},
        ValueCase{"Float32HighFirst",
                  NumberType::Float32,
                  Hi,
                  {static_cast<std::uint16_t>(kMinusTwoPointFive >> 16),
                   static_cast<std::uint16_t>(kMinusTwoPointFive & 0xFFFF)},
                  -2.5},
        ValueCase{"Float32LowFirst",
                  NumberType::Float32,
                  Lo,
                  {static_cast<std::uint16_t>(kMinusTwoPointFive & 0xFFFF),
                   static_cast<std::uint16_t>(kMinusTwoPointFive >> 16)},
                  -2.5},
        ValueCase{"BitSet", NumberType::Bit, Hi, {1}, 1.0}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

TEST(ScanRing, GivesTheNewestScansOldestFirstAndRepeatsTheOldestBeforeThereAreEnough) {
    ScanRing ring(1, 4);
    SampleBlock block;
    EXPECT_FALSE(ring.CopyNewest(2, block));
    for (double value : {1.0, 2.0}) {
        ring.Push(&value, ScanRing::Time{});
    }
    ASSERT_TRUE(ring.CopyNewest(3, block));
    EXPECT_EQ((std::vector{block.At(0, 0), block.At(0, 1), block.At(0, 2)}),
              (std::vector{1.0, 1.0, 2.0}));
    for (double value : {3.0, 4.0, 5.0, 6.0}) {
        ring.Push(&value, ScanRing::Time{});
    }
    ASSERT_TRUE(ring.CopyNewest(5, block));
    EXPECT_EQ(block.At(0, 0), 3.0);  // the oldest the ring still holds
    EXPECT_EQ(block.At(0, 4), 6.0);
}

// Start waits on the ring for the poller's news: a scan, or a failure, wakes it at once (a
// missed wake-up would hold the test for a minute).
TEST(ScanRing, AWaitEndsWithTheNextScanOrFailure) {
    for (const bool fails : {false, true}) {
        modbus::ScanRing ring(2, 4);
        const auto asked = std::chrono::steady_clock::now();
        std::thread poller([&] {
            const double scan[2] = {1.0, 2.0};
            if (fails) {
                ring.ReportFailure("no reply", std::chrono::steady_clock::now(), false);
            } else {
                ring.Push(scan, std::chrono::steady_clock::now());
            }
        });
        ring.WaitForNews(asked, asked + std::chrono::minutes(1));
        poller.join();
        const auto health = ring.CurrentHealth();
        EXPECT_EQ(fails ? health.failed_at.has_value() : health.newest_scan.has_value(), true);
    }
}

TEST(ScanRing, WindowCopyTakesOnlyTheSelectedChannelsAndEveryNewestValue) {
    ScanRing ring(3, 4);
    WindowBlock window;
    window.Select({1});
    EXPECT_FALSE(ring.CopyNewest(2, window));
    for (double base : {10.0, 20.0, 30.0, 40.0, 50.0}) {
        const double scan[] = {base, base + 1, base + 2};
        ring.Push(scan, ScanRing::Time{});
    }
    ASSERT_TRUE(ring.CopyNewest(5, window));
    EXPECT_EQ(window.HeldChannels(), (std::vector<std::int16_t>{1}));
    const auto series = window.Series(1);
    EXPECT_EQ((std::vector<double>(series.begin(), series.end())),
              (std::vector{21.0, 21.0, 31.0, 41.0, 51.0}));
    EXPECT_EQ((std::vector{window.Newest(0), window.Newest(2)}), (std::vector{50.0, 52.0}));
}

// Read after read, the window keeps what it had and takes only the new scans, before the ring
// is full, after it wraps, and when the window reaches back past the oldest scan kept.
TEST(ScanRing, SlidingWindowEqualsAFreshCopyAfterEveryPush) {
    for (const int scans : {3, 6, 8}) {
        ScanRing ring(2, 6);
        WindowBlock window;
        window.Select({1});
        SampleBlock plain;
        for (int pushed = 1; pushed <= 40; ++pushed) {
            const double scan[] = {-1.0 * pushed, 1.0 * pushed};
            ring.Push(scan, ScanRing::Time{});
            if (pushed % 7 == 3) {
                ring.Push(scan, ScanRing::Time{});  // two polls between reads
            }
            ASSERT_TRUE(ring.CopyNewest(scans, window));
            ASSERT_TRUE(ring.CopyNewest(scans, plain));
            for (int s = 0; s < scans; ++s) {
                ASSERT_EQ(window.Series(1)[static_cast<std::size_t>(s)], plain.At(1, s))
                    << scans << " scans, " << pushed << " pushed, scan " << s;
            }
            ASSERT_EQ(window.Newest(0), plain.At(0, scans - 1));
        }
    }
}

}  // namespace
}  // namespace quillon::modbus
