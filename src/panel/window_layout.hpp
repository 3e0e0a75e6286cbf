// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

#include "panel/colours.hpp"

namespace quillon {

// Where each displayed control of the window stands, in twips (1/1440 inch) from the top left
// corner of the client area. Every front end places its controls from this one table.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
    bool operator==(const TwipsRect&) const = default;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kStandardDpi = 96;  // 15 twips to the pixel

// Pixels at `dpi` for a length or position in twips, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi = kStandardDpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

// Twips for a length in pixels at `dpi`, rounded to the nearest twip.
constexpr int PixelsToTwips(int pixels, int dpi = kStandardDpi) {
    const long long scaled = static_cast<long long>(pixels) * kTwipsPerInch;
    return static_cast<int>(scaled >= 0 ? (scaled + dpi / 2) / dpi : -((-scaled + dpi / 2) / dpi));
}

namespace layout {

// Per slot: the lamp, the three-position switch and the equation button.
TwipsRect Lamp(int slot);
TwipsRect ModeSwitch(int slot);
TwipsRect EditEquation(int slot);

// The switch positions' labels, top to bottom.
struct GuideLabel {
    const char* text;
    Colour colour;
    TwipsRect place;
};
inline constexpr std::array<GuideLabel, 3> kGuideLabels = {{
    {"TRUE", kTrueLabelColour, {5040, 480, 495, 255}},
    {"PROG", kProgLabelColour, {5040, 840, 495, 255}},
    {"FALSE", kFalseLabelColour, {5040, 1200, 495, 255}},
}};

// The guide lines drawn on the window surface behind the switches, at the labels' levels.
struct GuideLine {
    int left;
    int right;
    int top;
    Colour colour;
    int width;  // pixels at the standard density
};
inline constexpr std::array<GuideLine, 3> kGuideLines = {{
    {840, 4920, 600, kTrueLineColour, 2},
    {4680, 4920, 960, kProgLineColour, 1},
    {840, 4920, 1320, kFalseLineColour, 2},
}};

inline constexpr TwipsRect kStartStop{4920, 1680, 615, 495};
inline constexpr TwipsRect kDataWindow{120, 2400, 735, 285};
inline constexpr TwipsRect kQuickReference{960, 2400, 375, 375};
inline constexpr TwipsRect kGlobalKeys{1560, 2400, 2175, 255};
inline constexpr TwipsRect kAlarmSettings{3930, 2400, 315, 255};
inline constexpr TwipsRect kEmailSettings{4410, 2400, 315, 255};

// The operator's words for each control.
std::string EditEquationToolTip(int slot);
inline constexpr const char* kDataWindowToolTip =
    "Number of data points for advanced math functions like #rms, #ave, #min, #max and #acrms";
inline constexpr const char* kQuickReferenceToolTip = "Quick reference of math operators";
inline constexpr const char* kGlobalKeysCaption = "Global Key";
inline constexpr const char* kGlobalKeysToolTip =
    "When checked, you can use Alt+Ctrl+Keys to set/reset DOs";
inline constexpr const char* kAlarmSettingsToolTip = "Alarm sound file configuration";
inline constexpr const char* kEmailSettingsToolTip = "Email interval configuration";

// The controls that take the focus, in the order Tab visits them.
enum class FocusStop {
    StartStop,
    QuickReference,
    DataWindow,
    AlarmSettings,
    ModeSwitch,  // with its slot
    EditEquation,
    GlobalKeys,
    EmailSettings,
};
struct TabStop {
    FocusStop control;
    int slot;  // -1 for single controls
};
std::array<TabStop, 26> TabOrder();

}  // namespace layout
}  // namespace quillon
