// SPDX-License-Identifier: MIT
#include "panel/panel.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quillon {
namespace {

class RecordingHandlers final : public PanelHandlers, public PanelObserver {
public:
    std::vector<std::string> events;
    void SwitchChanged(int slot) override { events.push_back("switch " + std::to_string(slot)); }
    void ManualOutputChanged(int n) override { events.push_back("manual " + std::to_string(n)); }
    void PanelChanged(PanelField field, int slot) override {
        events.push_back("changed " + std::to_string(static_cast<int>(field)) + " " +
                         std::to_string(slot));
    }
};

TEST(PanelTest, StartsWithTheDesignState) {
    const Panel panel;
    EXPECT_EQ(panel.Slot(0).lamp, 0x0000C000u);
    EXPECT_EQ(panel.Slot(1).lamp, 0x000000FFu);
    EXPECT_EQ(panel.Slot(6).lamp, 0x00FFFFFFu);
    EXPECT_EQ(panel.Slot(9).lamp, 0x00FF00FFu);
    EXPECT_EQ(panel.Slot(7).switch_position, 1);
    EXPECT_EQ(panel.Slot(8).switch_position, 2);
    EXPECT_EQ(panel.Caption(), "Quillon");
    EXPECT_EQ(panel.DataWindowText(), "100");
    EXPECT_FALSE(panel.ScanTimerEnabled() || panel.AlarmTimerEnabled() ||
                 panel.KeepAliveTimerEnabled());
}

TEST(PanelTest, HandlersRunOnlyWhenTheValueChanges) {
    Panel panel;
    RecordingHandlers handlers;
    panel.SetHandlers(&handlers);
    panel.SetSwitchPosition(0, 1);  // already there
    panel.SetManualOutput(3, 0);    // already there
    EXPECT_TRUE(handlers.events.empty());
    panel.AddObserver(&handlers);
    panel.SetSwitchPosition(0, 3);
    panel.SetManualOutput(3, 1);
    const auto changed = [](PanelField field, int slot) {
        return "changed " + std::to_string(static_cast<int>(field)) + " " + std::to_string(slot);
    };
    const std::vector<std::string> expected = {changed(PanelField::SwitchPosition, 0), "switch 0",
                                               changed(PanelField::ManualOutput, 3), "manual 3"};
    EXPECT_EQ(handlers.events, expected);
}

TEST(PanelTest, TheEquationRevisionMovesOnlyWhenATextChanges) {
    Panel panel;
    const std::uint64_t start = panel.EquationRevision();
    panel.SetEquation(2, panel.Slot(2).equation);
    EXPECT_EQ(panel.EquationRevision(), start);
    panel.SetEquation(2, "#1>0");
    panel.SetEquation(9, "#2>0");
    EXPECT_EQ(panel.EquationRevision(), start + 2);
}

TEST(PanelTest, SwitchStaysWithinItsThreePositions) {
    Panel panel;
    panel.SetSwitchPosition(2, 7);
    EXPECT_EQ(panel.Slot(2).switch_position, 3);
    panel.SetSwitchPosition(2, -1);
    EXPECT_EQ(panel.Slot(2).switch_position, 1);
}

}  // namespace
}  // namespace quillon
