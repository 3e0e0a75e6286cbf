// SPDX-License-Identifier: MIT
#include "view/column_reduction.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "view/trace_canvas.hpp"

namespace quillon {
namespace {

constexpr int kWidth = 97;
constexpr double kSpan = 9.7;

struct Scene {
    ColumnReduction reduction;
    TraceCanvas canvas;
};

void Prepare(Scene& scene, const SampleHistory& history, double end, const PlotLayout& layout,
             bool fresh) {
    scene.reduction.Update(history, end);
    const std::vector<ChannelLook> looks(scene.reduction.Rows(), ChannelLook{"", 1.0, -1.0});
    if (fresh) {
        scene.canvas.Resize(layout.Width(), layout.Height());
        scene.canvas.DrawAll(scene.reduction, layout, looks, PlotColours{});
    } else {
        scene.canvas.DrawChanged(scene.reduction, layout, looks, PlotColours{});
    }
    scene.reduction.ClearChanges();
}

void ExpectSameColumns(const ColumnReduction& kept, const ColumnReduction& fresh) {
    ASSERT_EQ(kept.FirstColumn(), fresh.FirstColumn());
    for (int x = 0; x < kWidth; ++x) {
        const int slot = kept.SlotOfScreenColumn(x);
        ASSERT_EQ(kept.HasTicks(slot), fresh.HasTicks(slot)) << x;
        ASSERT_EQ(kept.ActiveSlots(slot), fresh.ActiveSlots(slot)) << x;
        if (!kept.HasTicks(slot)) {
            continue;
        }
        for (std::size_t row = 0; row < kept.Rows(); ++row) {
            const auto a = kept.At(slot, row);
            const auto b = fresh.At(slot, row);
            ASSERT_EQ(a.low, b.low) << x << " " << row;
            ASSERT_EQ(a.high, b.high) << x << " " << row;
            ASSERT_EQ(std::isnan(a.enter), std::isnan(b.enter)) << x << " " << row;
            if (!std::isnan(a.enter)) {
                ASSERT_EQ(a.enter, b.enter) << x << " " << row;
            }
        }
    }
}

struct MoveCase {
    const char* name;
    std::vector<int> channels;
    bool pause_and_scroll;  // some updates look back instead of following
};

class ReductionDifferentialTest : public ::testing::TestWithParam<MoveCase> {};

// Kept up to date batch by batch, the columns and their pixels are what reading the whole
// window afresh gives, column for column and pixel for pixel: following, paused, scrolled
// back and forth, with ticks of irregular spacing and gaps, and NaN samples among them.
TEST_P(ReductionDifferentialTest, KeptColumnsEqualFreshOnes) {
    const MoveCase& move = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1.5, 1.5);
    std::uniform_int_distribution<int> batch(0, 40);
    SampleHistory history;
    SampleBlock block(5, 1);
    const PlotLayout layout(kWidth, 260, 12, static_cast<int>(move.channels.size()));
    Scene kept;
    kept.reduction.Configure(kWidth, kSpan / kWidth, move.channels);
    double seconds = 0.0;
    double end = kSpan;
    bool first = true;
    for (int round = 0; round < 300; ++round) {
        const int ticks = batch(random);
        for (int tick = 0; tick < ticks; ++tick) {
            // Mostly 10 ms apart, now and then a gap of a second.
            seconds += random() % 50 == 0 ? 1.0 : 0.01;
            for (int channel = 0; channel < 5; ++channel) {
                block.Set(channel, 0, random() % 500 == 0 ? std::nan("") : value(random));
            }
            history.Record(seconds, block, 0, static_cast<std::uint16_t>(random() % 1024));
        }
        const bool look_back = move.pause_and_scroll && round % 7 >= 4;
        end = look_back ? std::max(kSpan, end - 0.37 * (round % 5)) : std::max(seconds, kSpan);
        Prepare(kept, history, end, layout, first);
        first = false;
        Scene fresh;
        fresh.reduction.Configure(kWidth, kSpan / kWidth, move.channels);
        Prepare(fresh, history, end, layout, true);
        ExpectSameColumns(kept.reduction, fresh.reduction);
        for (int y = 0; y < layout.Height(); ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ASSERT_EQ(kept.canvas.At(x, y), fresh.canvas.At(x, y))
                    << "round " << round << " at " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, ReductionDifferentialTest,
    ::testing::Values(MoveCase{"FollowingAllInOrder", {0, 1, 2, 3, 4}, false},
                      MoveCase{"ScrollingAllInOrder", {0, 1, 2, 3, 4}, true},
                      MoveCase{"ScrollingAChoiceAndAMissingChannel", {3, 0, 9}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A history started afresh (another channel count) leaves nothing of the old ticks.
TEST(ColumnReductionTest, ANewChannelCountForgetsTheOldColumns) {
    SampleHistory history;
    SampleBlock two(2, 1);
    two.Set(0, 0, 7.0);
    for (int tick = 0; tick < 50; ++tick) {
        history.Record(tick * 0.1, two, 0, 1);
    }
    ColumnReduction reduction;
    reduction.Configure(10, 1.0, {0});
    reduction.Update(history, 9.5);
    ASSERT_TRUE(reduction.HasTicks(reduction.SlotOfScreenColumn(2)));

    SampleBlock three(3, 1);
    three.Set(0, 0, -2.0);
    history.Record(5.0, three, 0, 0);
    reduction.Update(history, 9.5);
    int with_ticks = 0;
    for (int x = 0; x < 10; ++x) {
        const int slot = reduction.SlotOfScreenColumn(x);
        if (reduction.HasTicks(slot)) {
            ++with_ticks;
            EXPECT_EQ(reduction.At(slot, 0).high, -2.0F);
            EXPECT_EQ(reduction.ActiveSlots(slot), 0);
        }
    }
    EXPECT_EQ(with_ticks, 1);
}

}  // namespace
}  // namespace quillon
