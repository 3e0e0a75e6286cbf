// SPDX-License-Identifier: MIT
// The Windows window driven through its own messages: clicks, switch moves, typed keys, timer
// ticks by hand, and the boxes answered as they open.
#include "ui/win32/windows_api.hpp"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "case_name.hpp"
#include "window_test_fixture.hpp"

namespace quillon::testing {
namespace {

using namespace control_ids;

class Win32WindowTest : public WindowTest {};

TEST_F(Win32WindowTest, StartUpRunsAndStopUnlocksTheControlsAndShowsTheBottomRow) {
    Load();
    EXPECT_EQ(Text(Control(kStartStop)), L"Stop");
    EXPECT_FALSE(::IsWindowEnabled(Control(kDataWindow)));
    EXPECT_FALSE(::IsWindowEnabled(Control(kEditEquationBase + 3)));
    RECT running;
    ::GetClientRect(Window(), &running);

    Click(kStartStop);

    EXPECT_EQ(Text(Control(kStartStop)), L"Start");
    EXPECT_FALSE(GetPanel().ScanTimerEnabled());
    EXPECT_TRUE(::IsWindowEnabled(Control(kDataWindow)));
    EXPECT_TRUE(::IsWindowEnabled(Control(kEditEquationBase + 9)));
    RECT stopped;
    ::GetClientRect(Window(), &stopped);
    // 3450 against 2850 twips of outer height: 600 twips, 40 pixels.
    EXPECT_EQ(stopped.bottom - running.bottom, 40);
    EXPECT_EQ(stopped.bottom, TwipsToPixels(kClientHeight));
}

TEST_F(Win32WindowTest, ScanTicksReadTheHostAndWriteTheOutputsOnlyWhileRunning) {
    Load();
    host_.calls.clear();
    TickScan();
    EXPECT_EQ(Count("20"), 1);
    EXPECT_EQ(Count("16"), 1);  // the first write after Start goes out
    EXPECT_EQ(GetPanel().Slot(0).lamp, kLampInactive);

    Click(kStartStop);
    host_.calls.clear();
    TickScan();
    EXPECT_EQ(Count("20"), 0);
}

// A latched lamp is drawn with a white frame inside it; a click on it acknowledges its latch.
TEST_F(Win32WindowTest, AClickOnALatchedLampAcknowledgesIt) {
    Load("MathExpression3=1\nLatch3=1\nMathExpression5=1\nLatch5=1\n");
    TickScan();
    ASSERT_TRUE(GetPanel().Slot(3).latched);
    ::SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(kLampBase + 3, STN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(kLampBase + 3)));
    EXPECT_FALSE(GetPanel().Slot(3).latched);
    EXPECT_TRUE(GetPanel().Slot(5).latched);
    EXPECT_NE(::GetWindowLongW(Control(kLampBase + 3), GWL_STYLE) & SS_NOTIFY, 0);
}

TEST_F(Win32WindowTest, TheRealScanTimerTicksOnTheWindowThread) {
    front_end_->Window().SetTimersByHand(false);
    Load();
    host_.calls.clear();
    PumpFor(std::chrono::milliseconds(300));
    // About 30 at 10 ms; a loaded machine may give fewer, but never none.
    EXPECT_GE(Count("20"), 5);
    Click(kStartStop);
    host_.calls.clear();
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(Count("20"), 0);
}

struct SwitchCase {
    const char* name;
    int from;
    int request;
    int thumb;
    int expected;
    const char* mode;
};

class SwitchMoveTest : public WindowTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchMoveTest, MovesTheSwitchAndTheMode) {
    const SwitchCase& move = GetParam();
    Load("S2=" +
         std::string(move.from == 1   ? "Force Set"
                     : move.from == 2 ? "Set"
                                      : "Force Reset") +
         "\n");
    HWND bar = Control(kModeSwitchBase + 2);
    ::SendMessageW(Window(), WM_VSCROLL, MAKEWPARAM(move.request, move.thumb),
                   reinterpret_cast<LPARAM>(bar));
    Pump();
    EXPECT_EQ(GetPanel().Slot(2).switch_position, move.expected);
    EXPECT_EQ(GetPanel().Slot(2).mode, move.mode);
    EXPECT_EQ(::GetScrollPos(bar, SB_CTL), move.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SwitchMoveTest,
    ::testing::Values(SwitchCase{"DownArrowFromTrue", 1, SB_LINEDOWN, 0, 2, "Set"},
                      SwitchCase{"UpArrowAtTheTop", 1, SB_LINEUP, 0, 1, "Force Set"},
                      SwitchCase{"PageDownFromProg", 2, SB_PAGEDOWN, 0, 3, "Force Reset"},
                      SwitchCase{"DownArrowAtTheBottom", 3, SB_LINEDOWN, 0, 3, "Force Reset"},
                      SwitchCase{"Top", 3, SB_TOP, 0, 1, "Force Set"},
                      SwitchCase{"ThumbLetGoAtProg", 1, SB_THUMBPOSITION, 2, 2, "Set"},
                      SwitchCase{"ThumbStillMoving", 1, SB_THUMBTRACK, 3, 1, "Force Set"}),
    [](const auto& info) { return std::string(info.param.name); });

struct KeyCase {
    wchar_t character;
    int slot;
    int expected;  // 0: no slot changes
};

class WindowKeyTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(WindowKeyTest, ReachesTheSwitchesBeforeTheFocusedControl) {
    const KeyCase& key = GetParam();
    Load("S8=Set\n");
    Click(kStartStop);  // stopped: the data-window box takes typing
    HWND box = Control(kDataWindow);
    const std::wstring before = Text(box);
    std::vector<int> positions;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        positions.push_back(GetPanel().Slot(slot).switch_position);
    }
    Type(box, key.character);
    if (key.expected != 0) {
        positions[static_cast<std::size_t>(key.slot)] = key.expected;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(GetPanel().Slot(slot).switch_position, positions[static_cast<std::size_t>(slot)])
            << "slot " << slot;
    }
    // Not consumed: the box has the character too.
    EXPECT_EQ(Text(box).size(), before.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, WindowKeyTest,
                         ::testing::Values(KeyCase{L'q', 0, 1}, KeyCase{L'A', 0, 3},
                                           KeyCase{L'1', 0, 2}, KeyCase{L'k', 7, 3},
                                           KeyCase{L'O', 8, 1}, KeyCase{L'l', 8, 3},
                                           KeyCase{L'z', 0, 0}),
                         [](const auto& info) {
                             return CaseName(static_cast<char>(info.param.character));
                         });

struct HotKeyCase {
    const char* name;
    bool global_key_checked;
    std::vector<int> held;
    int expected;  // slot 0's switch after a tick; it starts at 2
};

class HotKeyTest : public WindowTest, public ::testing::WithParamInterface<HotKeyCase> {};

TEST_P(HotKeyTest, CtrlAltKeysMoveTheOutputSwitchesWhileRunning) {
    const HotKeyCase& hot = GetParam();
    Load("S0=Set\n");
    if (hot.global_key_checked) {
        Click(kGlobalKeys);
    }
    ports_.keys.held.insert(hot.held.begin(), hot.held.end());
    TickScan();
    EXPECT_EQ(GetPanel().Slot(0).switch_position, hot.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotKeyTest,
    ::testing::Values(HotKeyCase{"CtrlAltQ", true, {17, 18, 'Q'}, 1},
                      HotKeyCase{"CtrlAltA", true, {17, 18, 'A'}, 3},
                      HotKeyCase{"CtrlQ", true, {17, 'Q'}, 2},
                      HotKeyCase{"CtrlAltQWithoutGlobalKey", false, {17, 18, 'Q'}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct ModelCase {
    int model;
    std::vector<int> hidden_lamps;
};

class InstrumentRowsTest : public WindowTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(InstrumentRowsTest, MissingOutputsLoseTheirLampsAndNothingMoves) {
    host_.model = GetParam().model;
    Load();
    const auto& hidden = GetParam().hidden_lamps;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const bool expect_hidden = std::find(hidden.begin(), hidden.end(), slot) != hidden.end();
        EXPECT_EQ(::IsWindowVisible(Control(kLampBase + slot)) == FALSE, expect_hidden)
            << "slot " << slot;
        EXPECT_EQ(ClientRect(Control(kLampBase + slot)).left,
                  TwipsToPixels(layout::Lamp(slot).left));
    }
}

INSTANTIATE_TEST_SUITE_P(Models, InstrumentRowsTest,
                         ::testing::Values(ModelCase{2108, {}}, ModelCase{480, {0, 1}},
                                           ModelCase{149, {4, 5, 6, 7}},
                                           ModelCase{718, {0, 1, 2, 3, 4, 5, 6, 7}}),
                         [](const auto& info) {
                             return "Model" + std::to_string(info.param.model);
                         });

TEST_F(Win32WindowTest, EmailIntervalBoxShowsTheIntervalInMinutesAndKeepsTheAnswer) {
    Load();
    // The second box, the e-mail slot's on-delay, is cancelled.
    BoxAnswerer boxes({L"1.25", std::nullopt, std::nullopt});
    Click(kEmailSettings);
    Click(kEmailSettings);
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].title, L"Email Configuration");
    EXPECT_EQ(boxes.shown[0].fallback, L"10");  // 20 half-minutes
    EXPECT_NE(boxes.shown[0].text.find(L"add-on menu\r\n\r\nPlease specify"), std::wstring::npos);
    EXPECT_EQ(boxes.shown[1].title, L"Email Configuration");
    EXPECT_EQ(boxes.shown[1].fallback, L"0");
    EXPECT_EQ(boxes.shown[2].fallback, L"1");  // 1.25 minutes: 2 half-minutes
}

TEST_F(Win32WindowTest, CancelInTheFirstAlarmBoxShowsNoSecondBox) {
    Load();
    BoxAnswerer boxes({std::nullopt});
    Click(kAlarmSettings);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, L"Alarm Configuration");
    EXPECT_EQ(boxes.shown[0].text, L"You may modify the filepath for the Alarm sound (.wav) file");
}

TEST_F(Win32WindowTest, AFailingEquationIsReportedAndStartIsAbandoned) {
    Load();
    Click(kStartStop);
    GetPanel().SetEquation(4, "#0>>1");
    BoxAnswerer boxes;
    Click(kStartStop);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(Text(Control(kStartStop)), L"Start");
    EXPECT_FALSE(GetPanel().ScanTimerEnabled());
}

TEST_F(Win32WindowTest, ASilentStopShowsItsReasonInTheCaptionAndOnStartStop) {
    Load("");
    host_.fail_reads = true;
    TickScan();
    Pump();
    EXPECT_EQ(Text(Control(kStartStop)), L"Start");
    const std::wstring title = Text(Window());
    EXPECT_EQ(title.rfind(L"Quillon - ", 0), 0u) << std::string(title.begin(), title.end());

    wchar_t tip[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Window();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(kStartStop));
    tool.lpszText = tip;
    ::SendMessageW(front_end_->Window().ToolTips(), TTM_GETTEXTW, std::size(tip),
                   reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(title.substr(std::wstring(L"Quillon - ").size()), tip);
}

TEST_F(Win32WindowTest, AResizeIsBoundedAndCloseSavesTheSettings) {
    Load("Window Top=300\n");
    ::SetWindowPos(Window(), nullptr, 0, 0, 2000, 300, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    EXPECT_EQ(GetPanel().WindowWidth(), 9240);

    ::SendMessageW(Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(front_end_->Window().Closed());
    EXPECT_NE(ports_.profiles.files["NorvaneAlarm.ini"].find("Window Top"), std::string::npos);
}

TEST_F(Win32WindowTest, AMaximisedWindowIsBoundedAsAResizedOneIs) {
    Load("Window Top=300\n");
    ::ShowWindow(Window(), SW_MAXIMIZE);
    Pump();
    EXPECT_EQ(GetPanel().WindowWidth(), 9240);
}

TEST_F(Win32WindowTest, TheHostsExitEndsWithoutTheOperator) {
    Load();
    host_.Exit();
    Pump();
    Pump();
    EXPECT_TRUE(front_end_->GetApplication().Ended());
    EXPECT_TRUE(front_end_->Window().Closed());
}

}  // namespace
}  // namespace quillon::testing
