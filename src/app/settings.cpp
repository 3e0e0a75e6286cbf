// SPDX-License-Identifier: MIT
#include "app/settings.hpp"

#include <array>

#include "control/mode_switch.hpp"
#include "platform/leading_number.hpp"

namespace quillon {
namespace {

constexpr const char* kDefaultEquation = "#0>3.3";
constexpr const char* kDefaultSoundFile = "c:\\windows\\media\\ding.wav";
// Virtual-key codes of Q W E R T Y U I (on) and A S D F G H J K (off).
constexpr std::array<int, kOutputCount> kDefaultTrueKeys = {81, 87, 69, 82, 84, 89, 85, 73};
constexpr std::array<int, kOutputCount> kDefaultFalseKeys = {65, 83, 68, 70, 71, 72, 74, 75};
constexpr int kControlKey = 17;
constexpr int kAltKey = 18;

std::string EquationKey(int slot) {
    return "MathExpression" + std::to_string(slot);
}
std::string ModeKey(int slot) {
    return "S" + std::to_string(slot);
}
std::string TrueKey(int output) {
    return "DoutTrueKey" + std::to_string(output);
}
std::string FalseKey(int output) {
    return "DoutFalseKey" + std::to_string(output);
}

template <typename Int>
Int ReadNumber(const std::string& text) {
    return RoundToField<Int>(LeadingNumber(text));
}

// Window coordinates: a negative position becomes 0.
int ReadPosition(const std::string& text) {
    const auto value = ReadNumber<std::int32_t>(text);
    return value < 0 ? 0 : value;
}

std::optional<std::string> PositiveOnly(int value) {
    if (value > 0) {
        return std::to_string(value);
    }
    return std::nullopt;
}

}  // namespace

Settings::Settings(Panel& panel, OperatorSettings& settings, const InstanceFacts& facts,
                   ProfileStore& profiles)
    : panel_(panel), settings_(settings), facts_(facts), profiles_(profiles) {
    DefineSlotKeys();
    DefineAlarmKeys();
    DefineHotKeys();
    DefineWindowKeys();
}

void Settings::Define(const std::string& name, std::string fallback,
                      std::function<void(const std::string&)> load,
                      std::function<std::optional<std::string>()> save) {
    keys_[name] = Key{std::move(fallback), std::move(load), std::move(save)};
}

void Settings::DefineSlotKeys() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        Define(
            EquationKey(slot), kDefaultEquation,
            [this, slot](const std::string& text) { panel_.SetEquation(slot, text); },
            [this, slot]() -> std::optional<std::string> {
                // Stored as one blank, which reads back empty: the default must not return.
                const std::string& text = panel_.Slot(slot).equation;
                return text.empty() ? " " : text;
            });
        // The switch is positioned from the text as shown; moving it runs its change
        // handling, which may rewrite the text.
        Define(
            ModeKey(slot), ModeText(slot < kOutputCount ? SlotMode::Set : SlotMode::ForceReset),
            [this, slot](const std::string& text) {
                panel_.SetMode(slot, text);
                panel_.SetSwitchPosition(slot, SwitchPositionForMode(panel_.Slot(slot).mode));
            },
            [this, slot]() -> std::optional<std::string> { return panel_.Slot(slot).mode; });
    }
}

void Settings::DefineAlarmKeys() {
    Define(
        "SoundFile", kDefaultSoundFile,
        [this](const std::string& text) { settings_.sound_file = text; },
        [this]() -> std::optional<std::string> { return settings_.sound_file; });
    Define(
        "AlarmInterval", "1",
        [this](const std::string& text) {
            settings_.alarm_interval = ReadNumber<std::int16_t>(text);
        },
        [this]() -> std::optional<std::string> {
            return std::to_string(settings_.alarm_interval);
        });
    // The stored value is not applied: every start begins in math mode.
    Define(
        "UseMathExpression", "1", [this](const std::string&) { panel_.SetMathMode(1); },
        [this]() -> std::optional<std::string> { return std::to_string(panel_.MathMode()); });
    Define(
        "EmailAlarmInterval", "20",
        [this](const std::string& text) {
            settings_.email_alarm_interval = ReadNumber<std::int32_t>(text);
        },
        [this]() -> std::optional<std::string> {
            return std::to_string(settings_.email_alarm_interval);
        });
}

void Settings::DefineHotKeys() {
    for (std::size_t n = 0; n < kOutputCount; ++n) {
        const int output = static_cast<int>(n);
        Define(
            TrueKey(output), std::to_string(kDefaultTrueKeys[n]),
            [this, n](const std::string& text) {
                settings_.dout_true_key[n] = ReadNumber<std::int16_t>(text);
            },
            [this, n]() -> std::optional<std::string> {
                return std::to_string(settings_.dout_true_key[n]);
            });
        Define(
            FalseKey(output), std::to_string(kDefaultFalseKeys[n]),
            [this, n](const std::string& text) {
                settings_.dout_false_key[n] = ReadNumber<std::int16_t>(text);
            },
            [this, n]() -> std::optional<std::string> {
                return std::to_string(settings_.dout_false_key[n]);
            });
    }
    const std::array<int, 2> defaults = {kControlKey, kAltKey};
    for (std::size_t n = 0; n < defaults.size(); ++n) {
        Define(
            "HKey" + std::to_string(n), std::to_string(defaults[n]),
            [this, n](const std::string& text) {
                settings_.hot_key[n] = ReadNumber<std::int16_t>(text);
            },
            [this, n]() -> std::optional<std::string> {
                return std::to_string(settings_.hot_key[n]);
            });
    }
}

void Settings::DefineWindowKeys() {
    // The data window is kept as typed; run control reads the number out of it.
    Define(
        "DataWindow", "100", [this](const std::string& text) { panel_.SetDataWindowText(text); },
        [this]() -> std::optional<std::string> { return panel_.DataWindowText(); });
    Define(
        "Window Top", "1000",
        [this](const std::string& text) {
            panel_.SetWindowPosition(panel_.WindowLeft(), ReadPosition(text));
        },
        [this]() { return PositiveOnly(panel_.WindowTop()); });
    Define(
        "Window Left", "1000",
        [this](const std::string& text) {
            panel_.SetWindowPosition(ReadPosition(text), panel_.WindowTop());
        },
        [this]() { return PositiveOnly(panel_.WindowLeft()); });
}

std::vector<std::string> Settings::LoadOrder() {
    std::vector<std::string> order;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        order.push_back(EquationKey(slot));
    }
    order.insert(order.end(), {"SoundFile", "AlarmInterval", "UseMathExpression"});
    for (int slot = 0; slot < kSlotCount; ++slot) {
        order.push_back(ModeKey(slot));
    }
    for (int output = 0; output < kOutputCount; ++output) {
        order.push_back(TrueKey(output));
        order.push_back(FalseKey(output));
    }
    order.insert(order.end(), {"HKey0", "HKey1", "DataWindow", "Window Top", "Window Left",
                               "EmailAlarmInterval"});
    return order;
}

std::vector<std::string> Settings::SaveOrder(int last_slot) {
    std::vector<std::string> order;
    for (int slot = 0; slot <= last_slot; ++slot) {
        order.push_back(EquationKey(slot));
        order.push_back(ModeKey(slot));
    }
    order.insert(order.end(), {"UseMathExpression", "SoundFile", "AlarmInterval"});
    for (int output = 0; output < kOutputCount; ++output) {
        order.push_back(TrueKey(output));
        order.push_back(FalseKey(output));
    }
    order.insert(order.end(), {"HKey0", "HKey1", "DataWindow", "Window Top", "Window Left",
                               "EmailAlarmInterval"});
    return order;
}

void Settings::GetSetupInfo() {
    profiles_.RequireReadable(kSettingsFile);
    for (const std::string& name : LoadOrder()) {
        const Key& key = keys_.at(name);
        key.load(profiles_.Read(kSettingsFile, facts_.host_id, name, key.fallback));
    }
}

SaveResult Settings::SaveSetupInfo() {
    ProfileValues values;
    for (const std::string& name : SaveOrder(facts_.last_slot)) {
        if (std::optional<std::string> text = keys_.at(name).save()) {
            values.emplace_back(name, std::move(*text));
        }
    }
    SaveResult result;
    if (!profiles_.WriteSection(kSettingsFile, facts_.host_id, values)) {
        result.failed_keys = static_cast<int>(values.size());
        result.first_error = profiles_.LastError();
    }
    return result;
}

}  // namespace quillon
