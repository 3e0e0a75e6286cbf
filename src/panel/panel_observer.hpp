// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

// What changed on the Panel; per-slot fields come with the slot index, others with -1.
enum class PanelField {
    Mode,                   // Combo2(i) text
    ModeEnabled,            // Combo2(i) enabled
    ModeVisible,            // Combo2(i) visible
    Equation,               // Text4(i) text
    EquationEnabled,        // Text4(i) enabled
    EquationVisible,        // Text4(i) visible
    LampColour,             // Shape1(i) fill colour
    LampVisible,            // Shape1(i) visible
    Latched,                // Shape1(i) latch mark
    SwitchPosition,         // VScroll1(i) value
    EditEnabled,            // Command4(i) enabled
    ManualOutput,           // D(n) value
    StartStopCaption,       // Command1 caption
    MathMode,               // Check1 value or enabled
    GlobalKeys,             // Check2 value
    DataWindowText,         // Text5 text or enabled
    QuickReferenceEnabled,  // Command2 enabled
    Timers,                 // Timer1..Timer3 enabled
    WindowGeometry,         // window position or size
    Caption,                // window caption
    Status,                 // non-modal status line
};

// Told about every change of the Panel: the Qt view, the headless printer, tests.
class PanelObserver {
public:
    virtual ~PanelObserver() = default;
    virtual void PanelChanged(PanelField field, int slot) = 0;
};

// The change handlers of the controls that have one: the owner runs them on the same call
// stack as the assignment that changed the value.
class PanelHandlers {
public:
    virtual ~PanelHandlers() = default;
    virtual void SwitchChanged(int slot) = 0;
    virtual void ManualOutputChanged(int output) = 0;
};

}  // namespace quillon
