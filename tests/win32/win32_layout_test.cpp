// SPDX-License-Identifier: MIT
// Every control of the live window where the twips table puts it, at 100 % and at 150 %
// (a move to a monitor of another density), within one pixel; and Tab in the table's order.
#include "ui/win32/windows_api.hpp"

#include <gtest/gtest.h>

#include "window_test_fixture.hpp"

namespace quillon::testing {
namespace {

using namespace control_ids;

constexpr UINT kDpiChanged = 0x02E0;

struct PlacedControl {
    int id;
    TwipsRect place;
};

std::vector<PlacedControl> DisplayedControls() {
    std::vector<PlacedControl> controls;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        controls.push_back({kLampBase + slot, layout::Lamp(slot)});
        controls.push_back({kModeSwitchBase + slot, layout::ModeSwitch(slot)});
        controls.push_back({kEditEquationBase + slot, layout::EditEquation(slot)});
    }
    for (std::size_t label = 0; label < layout::kGuideLabels.size(); ++label) {
        controls.push_back(
            {kGuideLabelBase + static_cast<int>(label), layout::kGuideLabels[label].place});
    }
    controls.push_back({kStartStop, layout::kStartStop});
    controls.push_back({kDataWindow, layout::kDataWindow});
    controls.push_back({kQuickReference, layout::kQuickReference});
    controls.push_back({kGlobalKeys, layout::kGlobalKeys});
    controls.push_back({kAlarmSettings, layout::kAlarmSettings});
    controls.push_back({kEmailSettings, layout::kEmailSettings});
    return controls;
}

class LayoutTest : public WindowTest, public ::testing::WithParamInterface<int> {
protected:
    void AtDpi(int dpi) {
        if (dpi == front_end_->Window().Dpi()) {
            return;
        }
        RECT suggested{10, 10, 400, 300};
        ::SendMessageW(Window(), kDpiChanged, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        Pump();
    }
};

TEST_P(LayoutTest, EveryControlStandsWhereTheTableSays) {
    const int dpi = GetParam();
    Load();
    Click(kStartStop);  // the full layout
    AtDpi(dpi);
    RECT client;
    ::GetClientRect(Window(), &client);
    EXPECT_NEAR(client.right, TwipsToPixels(kClientWidth, dpi), 1);
    EXPECT_NEAR(client.bottom, TwipsToPixels(kClientHeight, dpi), 1);
    for (const PlacedControl& control : DisplayedControls()) {
        const RECT rect = ClientRect(Control(control.id));
        SCOPED_TRACE("control " + std::to_string(control.id));
        EXPECT_NEAR(rect.left, TwipsToPixels(control.place.left, dpi), 1);
        EXPECT_NEAR(rect.top, TwipsToPixels(control.place.top, dpi), 1);
        EXPECT_NEAR(rect.right - rect.left, TwipsToPixels(control.place.width, dpi), 1);
        EXPECT_NEAR(rect.bottom - rect.top, TwipsToPixels(control.place.height, dpi), 1);
        // Every displayed control lies inside the client area.
        EXPECT_LE(rect.right, client.right);
        EXPECT_LE(rect.bottom, client.bottom);
    }
}

INSTANTIATE_TEST_SUITE_P(Densities, LayoutTest, ::testing::Values(96, 144),
                         [](const auto& info) { return "Dpi" + std::to_string(info.param); });

using TabOrderTest = WindowTest;

int IdOf(const layout::TabStop& stop) {
    switch (stop.control) {
        case layout::FocusStop::StartStop:
            return kStartStop;
        case layout::FocusStop::QuickReference:
            return kQuickReference;
        case layout::FocusStop::DataWindow:
            return kDataWindow;
        case layout::FocusStop::AlarmSettings:
            return kAlarmSettings;
        case layout::FocusStop::ModeSwitch:
            return kModeSwitchBase + stop.slot;
        case layout::FocusStop::EditEquation:
            return kEditEquationBase + stop.slot;
        case layout::FocusStop::GlobalKeys:
            return kGlobalKeys;
        case layout::FocusStop::EmailSettings:
            return kEmailSettings;
    }
    return 0;
}

TEST_F(TabOrderTest, TabVisitsTheControlsInTheTablesOrder) {
    Load();
    Click(kStartStop);  // stopped: every control takes the focus
    std::vector<int> visited;
    HWND control = Control(kStartStop);
    for (std::size_t i = 0; i < layout::TabOrder().size(); ++i) {
        visited.push_back(::GetDlgCtrlID(control));
        control = ::GetNextDlgTabItem(Window(), control, FALSE);
    }
    std::vector<int> expected;
    for (const layout::TabStop& stop : layout::TabOrder()) {
        expected.push_back(IdOf(stop));
    }
    EXPECT_EQ(visited, expected);
}

}  // namespace
}  // namespace quillon::testing
