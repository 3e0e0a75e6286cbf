// SPDX-License-Identifier: MIT
#pragma once

#include <QLatin1String>
#include <QString>

namespace quillon {

// A window control's object name, which says what the control does, and its name on the
// original form, kept for readers who know that form. Tests find controls by object name.
struct ControlName {
    const char* name;
    const char* form_name;

    QString ObjectName() const { return QLatin1String(name); }
    // A control that every slot has: "lamp(3)", as the form's control arrays were indexed.
    QString ObjectName(int slot) const {
        return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(slot);
    }
};

// Every named control of the window, in one place.
namespace control_names {

// clang-format off
//                                         object name         original form
// One per slot.
inline constexpr ControlName kLamp          {"lamp",            "Shape1"};
inline constexpr ControlName kModeSwitch    {"modeSwitch",      "VScroll1"};
inline constexpr ControlName kEditEquation  {"editEquation",    "Command4"};
// The switch positions' labels.
inline constexpr ControlName kTrueLabel     {"trueLabel",       "Label8"};
inline constexpr ControlName kProgLabel     {"progLabel",       "Label10"};
inline constexpr ControlName kFalseLabel    {"falseLabel",      "Label9"};
// The controls below the slots.
inline constexpr ControlName kStartStop     {"startStop",       "Command1"};
inline constexpr ControlName kDataWindow    {"dataWindow",      "Text5"};
inline constexpr ControlName kQuickReference{"quickReference",  "Command2"};
inline constexpr ControlName kGlobalKeys    {"globalKeys",      "Check2"};
inline constexpr ControlName kAlarmSettings {"alarmSettings",   "Command3"};
inline constexpr ControlName kEmailSettings {"emailSettings",   "Command5"};
// The timers.
inline constexpr ControlName kScanTimer     {"scanTimer",       "Timer1"};
inline constexpr ControlName kAlarmTimer    {"alarmTimer",      "Timer2"};
inline constexpr ControlName kKeepAliveTimer{"keepAliveTimer",  "Timer3"};
// clang-format on

}  // namespace control_names
}  // namespace quillon
