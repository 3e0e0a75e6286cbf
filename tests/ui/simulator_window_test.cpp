// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/qt/simulator_window.hpp"

namespace quillon {
namespace {

TEST(SimulatorWindowTest, ShowsTheWrittenWord) {
    struct Row {
        std::int16_t word;
        std::vector<bool> lit;
        QString last;
    };
    const std::vector<Row> table = {
        {0x00A5,
         {true, false, true, false, false, true, false, true},
         "Last write: 1.500 165 0x00A5"},
        {-1, std::vector<bool>(8, true), "Last write: 1.500 65535 0xFFFF"},
        {0x0100, std::vector<bool>(8, false), "Last write: 1.500 256 0x0100"}};
    SimulatorWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillon demo instrument"));
    for (const Row& row : table) {
        SCOPED_TRACE(row.word);
        window.ShowOutputWrite(1.5, row.word);
        for (int output = 0; output < 8; ++output) {
            EXPECT_EQ(window.OutputLit(output), row.lit[static_cast<std::size_t>(output)]);
        }
        EXPECT_EQ(window.LastWriteText(), row.last);
    }
}

TEST(SimulatorWindowTest, ScrollBackKeepsTheNewestFifty) {
    SimulatorWindow window;
    for (int write = 1; write <= 60; ++write) {
        window.ShowOutputWrite(write, static_cast<std::int16_t>(write));
    }
    const QStringList lines = window.ScrollBack();
    ASSERT_EQ(lines.size(), 50);
    EXPECT_EQ(lines.front(), QStringLiteral("60.000 60 0x003C"));
    EXPECT_EQ(lines.back(), QStringLiteral("11.000 11 0x000B"));
}

}  // namespace
}  // namespace quillon
