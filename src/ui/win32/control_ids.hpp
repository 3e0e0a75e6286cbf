// SPDX-License-Identifier: MIT
#pragma once

#include "ui/win32/windows_api.hpp"

namespace quillon::control_ids {

// The child windows' ids, which say what each control is (tests find controls by them), with
// the control's name on the original form beside it. None is IDOK or IDCANCEL, which dialog
// navigation sends for Enter and Esc.
// clang-format off
constexpr int kLampBase          = 100;  // + slot: Shape1(i)
constexpr int kModeSwitchBase    = 200;  // + slot: VScroll1(i)
constexpr int kEditEquationBase  = 300;  // + slot: Command4(i)
constexpr int kGuideLabelBase    = 400;  // + 0, 1, 2: Label8, Label10, Label9
constexpr int kStartStop         = 500;  // Command1
constexpr int kDataWindow        = 501;  // Text5
constexpr int kQuickReference    = 502;  // Command2
constexpr int kGlobalKeys        = 503;  // Check2
constexpr int kAlarmSettings     = 504;  // Command3
constexpr int kEmailSettings     = 505;  // Command5
// clang-format on

// The channels view's controls, and the main window's context-menu item that opens it.
// clang-format off
constexpr int kViewSpan          = 600;
constexpr int kViewSpanArrows    = 601;
constexpr int kViewPause         = 602;
constexpr int kViewScrollBack    = 603;
constexpr int kViewChannels      = 604;
constexpr int kViewPlot          = 605;
constexpr int kChannelsViewItem  = 610;
// clang-format on

// The scan tick (Timer1) and the host's exit, posted to the window; the 1 s and 30 s timers
// (Timer2, Timer3) are window timers of these ids.
constexpr UINT kScanTickMessage = WM_APP + 1;
constexpr UINT kHostExitMessage = WM_APP + 2;
constexpr UINT_PTR kAlarmTimerId = 2;
constexpr UINT_PTR kKeepAliveTimerId = 3;
constexpr UINT_PTR kServiceTimerId = 4;
constexpr UINT_PTR kViewRepaintTimerId = 5;

}  // namespace quillon::control_ids
