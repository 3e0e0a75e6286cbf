// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "panel/colours.hpp"
#include "panel/panel_observer.hpp"

namespace quillon {

inline constexpr int kSlotCount = 10;   // 0..7 DOUT, 8 audio alarm, 9 e-mail alarm
inline constexpr int kOutputCount = 8;  // DOUT 0..7
inline constexpr int kAudioSlot = 8;
inline constexpr int kEmailSlot = 9;

// Switch positions of VScroll1.
inline constexpr int kForceSetPosition = 1;
inline constexpr int kEquationPosition = 2;
inline constexpr int kForceResetPosition = 3;

// Window height in twips while stopped (full layout) and while running (compact layout).
inline constexpr int kStoppedWindowHeight = 3450;
inline constexpr int kRunningWindowHeight = 2850;
// The part of the outer size that is frame, not client area: 5655 x 2895 client in the full
// layout.
inline constexpr int kClientWidth = 5655;
inline constexpr int kClientHeight = 2895;
inline constexpr int kFrameWidth = 120;
inline constexpr int kFrameHeight = kStoppedWindowHeight - kClientHeight;

// The state of one equation slot, as its controls hold it.
struct SlotState {
    std::string mode = "Set";      // Combo2(i): the output mode as text
    bool mode_enabled = true;      // Combo2(i)
    bool mode_visible = true;      // Combo2(i)
    std::string equation;          // Text4(i): the equation text
    bool equation_enabled = true;  // Text4(i)
    bool equation_visible = true;  // Text4(i)
    Colour lamp = 0;               // Shape1(i) fill colour
    bool lamp_visible = true;      // Shape1(i)
    int switch_position = 1;       // VScroll1(i): 1 Force Set, 2 equation, 3 Force Reset
    bool edit_enabled = true;      // Command4(i): the equation edit button
    int manual_output = 0;         // D(i), slots 0..7 only: manual output state
    bool latched = false;          // Shape1(i) carries the latch mark: on until acknowledged
};

// The window's state as data. Setters keep the controls' change semantics: a new value is
// stored, observers are told, and for the switch and the manual outputs the change handler
// runs at once; assigning the current value does nothing.
class Panel {
public:
    Panel();

    void SetHandlers(PanelHandlers* handlers) { handlers_ = handlers; }
    void AddObserver(PanelObserver* observer);
    void RemoveObserver(PanelObserver* observer);

    const SlotState& Slot(int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }

    void SetMode(int slot, const std::string& mode);
    void SetModeEnabled(int slot, bool enabled);
    void SetModeVisible(int slot, bool visible);
    void SetEquation(int slot, const std::string& equation);
    // Grows with every change of a slot's equation text: a reader that works something out
    // from the texts on every tick does it again only when this moved.
    std::uint64_t EquationRevision() const { return equation_revision_; }
    void SetEquationEnabled(int slot, bool enabled);
    void SetEquationVisible(int slot, bool visible);
    void SetLampColour(int slot, Colour colour);
    void SetLampVisible(int slot, bool visible);
    void SetSwitchPosition(int slot, int position);
    void SetEditEnabled(int slot, bool enabled);
    void SetManualOutput(int output, int value);
    void SetLatched(int slot, bool latched);

    // Command1: "Start" or "Stop".
    const std::string& StartStopCaption() const { return start_stop_caption_; }
    void SetStartStopCaption(const std::string& caption);
    // Check1: the "Math Expression" switch.
    int MathMode() const { return math_mode_; }
    bool MathModeEnabled() const { return math_mode_enabled_; }
    void SetMathMode(int value);
    void SetMathModeEnabled(bool enabled);
    // Check2: "Global Key".
    bool GlobalKeys() const { return global_keys_; }
    void SetGlobalKeys(bool checked);
    // Text5: the data window.
    const std::string& DataWindowText() const { return data_window_text_; }
    bool DataWindowEnabled() const { return data_window_enabled_; }
    void SetDataWindowText(const std::string& text);
    void SetDataWindowEnabled(bool enabled);
    // Command2: the quick reference.
    bool QuickReferenceEnabled() const { return quick_reference_enabled_; }
    void SetQuickReferenceEnabled(bool enabled);

    // Timer1 (10 ms scan), Timer2 (1000 ms alarm repeat), Timer3 (30000 ms keep-alive).
    bool ScanTimerEnabled() const { return timers_[0]; }
    bool AlarmTimerEnabled() const { return timers_[1]; }
    bool KeepAliveTimerEnabled() const { return timers_[2]; }
    void SetScanTimerEnabled(bool enabled) { SetTimer(0, enabled); }
    void SetAlarmTimerEnabled(bool enabled) { SetTimer(1, enabled); }
    void SetKeepAliveTimerEnabled(bool enabled) { SetTimer(2, enabled); }

    // Key preview: the window sees typed characters before the focused control does.
    bool KeyPreview() const { return key_preview_; }
    void SetKeyPreview(bool enabled) { key_preview_ = enabled; }

    // The window's caption and outer geometry in twips.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    int WindowLeft() const { return left_; }
    int WindowTop() const { return top_; }
    int WindowWidth() const { return width_; }
    int WindowHeight() const { return height_; }
    void SetWindowPosition(int left, int top);
    void SetWindowSize(int width, int height);

    // A line of status outside the window's fixed layout: the reason for a silent stop, a
    // settings file that could not be written.
    const std::string& Status() const { return status_; }
    void SetStatus(const std::string& status);

private:
    std::uint64_t equation_revision_ = 0;
    SlotState& MutableSlot(int slot) { return slots_.at(static_cast<std::size_t>(slot)); }
    template <typename T>
    bool Assign(T& field, const T& value, PanelField what, int slot);
    void SetTimer(int index, bool enabled);
    void Notify(PanelField what, int slot);

    std::array<SlotState, kSlotCount> slots_;
    std::string start_stop_caption_ = "Start";
    int math_mode_ = 0;
    bool math_mode_enabled_ = true;
    bool global_keys_ = false;
    std::string data_window_text_ = "100";
    bool data_window_enabled_ = true;
    bool quick_reference_enabled_ = true;
    std::array<bool, 3> timers_{};
    bool key_preview_ = false;
    std::string caption_ = "Quillon";
    int left_ = 0;
    int top_ = 0;
    int width_ = kClientWidth + kFrameWidth;
    int height_ = kStoppedWindowHeight;
    std::string status_;

    PanelHandlers* handlers_ = nullptr;
    std::vector<PanelObserver*> observers_;
};

}  // namespace quillon
