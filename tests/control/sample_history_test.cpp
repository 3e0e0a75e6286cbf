// SPDX-License-Identifier: MIT
#include "control/sample_history.hpp"

#include <gtest/gtest.h>

namespace quillon {
namespace {

SampleBlock Block(int channels, int scans, double base) {
    SampleBlock block(channels, scans);
    for (int scan = 0; scan < scans; ++scan) {
        for (int channel = 0; channel < channels; ++channel) {
            block.Set(channel, scan, base + 10 * channel + scan);
        }
    }
    return block;
}

TEST(SampleHistoryTest, KeepsTheCurrentScanOfEachTickWithItsSlots) {
    SampleHistory history;
    history.Record(0.01, Block(2, 3, 100), 2, 0b1);
    history.Record(0.02, Block(2, 3, 200), 2, 0b10);
    ASSERT_EQ(history.Size(), 2U);
    EXPECT_EQ(history.Channels(), 2);
    EXPECT_EQ(history.ValueAt(0, 1), 112.0F);  // channel 1 of the current scan (2)
    EXPECT_EQ(history.ValueAt(1, 0), 202.0F);
    EXPECT_EQ(history.ActiveSlotsAt(1), 0b10);
    EXPECT_DOUBLE_EQ(history.SecondsAt(1), 0.02);
}

// A long run: the ring keeps the newest ticks only, in order, and the count goes on.
TEST(SampleHistoryTest, WrapsAroundKeepingTheNewest) {
    SampleHistory history;
    const SampleBlock block = Block(1, 1, 0);
    const std::size_t total = SampleHistory::kMostTicks + 250;
    for (std::size_t tick = 0; tick < total; ++tick) {
        history.Record(static_cast<double>(tick), block, 0, 0);
    }
    EXPECT_EQ(history.Size(), SampleHistory::kMostTicks);
    EXPECT_EQ(history.Recorded(), total);
    EXPECT_DOUBLE_EQ(history.SecondsAt(0), 250.0);
    EXPECT_DOUBLE_EQ(history.SecondsAt(history.Size() - 1), static_cast<double>(total - 1));
}

// Many channels shorten the time held rather than grow the memory.
TEST(SampleHistoryTest, ManyChannelsHoldFewerTicks) {
    SampleHistory history;
    const SampleBlock block = Block(256, 1, 0);
    for (int tick = 0; tick < 70'000; ++tick) {
        history.Record(tick, block, 0, 0);
    }
    EXPECT_EQ(history.Size(), SampleHistory::kMostValues / 256);
}

TEST(SampleHistoryTest, ANewChannelCountStartsAfreshAndABadScanIsSkipped) {
    SampleHistory history;
    history.Record(1.0, Block(2, 1, 0), 0, 0);
    history.AddMark(1.0, SampleHistory::MarkKind::Email);
    history.Record(2.0, Block(3, 1, 0), 0, 0);
    EXPECT_EQ(history.Size(), 1U);
    EXPECT_EQ(history.Channels(), 3);
    EXPECT_TRUE(history.Marks().empty());
    history.Record(3.0, Block(3, 1, 0), 5, 0);  // the block has no scan 5
    EXPECT_EQ(history.Size(), 1U);
    history.AddMark(2.5, SampleHistory::MarkKind::AlarmSound);
    ASSERT_EQ(history.Marks().size(), 1U);
    EXPECT_EQ(history.Marks()[0].kind, SampleHistory::MarkKind::AlarmSound);
}

}  // namespace
}  // namespace quillon
