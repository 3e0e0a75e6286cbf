// SPDX-License-Identifier: MIT
#include "app/settings.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "control/mode_switch.hpp"
#include "utility/leading_number.hpp"

namespace quillon {
namespace {

constexpr const char* kDefaultEquation = "#0>3.3";
constexpr const char* kDefaultSoundFile = "c:\\windows\\media\\ding.wav";
// Virtual-key codes of Q W E R T Y U I (on) and A S D F G H J K (off).
constexpr std::array<int, kOutputCount> kDefaultTrueKeys = {81, 87, 69, 82, 84, 89, 85, 73};
constexpr std::array<int, kOutputCount> kDefaultFalseKeys = {65, 83, 68, 70, 71, 72, 74, 75};
constexpr int kControlKey = 17;
constexpr int kAltKey = 18;
// Save ranks: the slots' keys take 0 to 19, the rest follow.
constexpr int kAfterSlots = 2 * kSlotCount;

std::string EquationKey(int slot) {
    return "MathExpression" + std::to_string(slot);
}
std::string ModeKey(int slot) {
    return "S" + std::to_string(slot);
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
    // Defined in the order a load reads them; each key's place in a save is its save rank.
    DefineEquationKeys();
    DefineAlarmKeys();
    DefineModeKeys();
    DefineHotKeys();
    DefineWindowKeys();
    DefineTimingKeys();
}

void Settings::Define(Key key) {
    keys_.push_back(std::move(key));
}

// Saved in pairs with the modes, slot by slot: equation 2n, mode 2n + 1.
void Settings::DefineEquationKeys() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        Define({EquationKey(slot), kDefaultEquation, 2 * slot, slot,
                [this, slot](const std::string& text) { panel_.SetEquation(slot, text); },
                [this, slot]() -> std::optional<std::string> {
                    // Stored as one blank, which reads back empty: the default must not return.
                    const std::string& text = panel_.Slot(slot).equation;
                    return text.empty() ? " " : text;
                }});
    }
}

void Settings::DefineModeKeys() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        // The switch is positioned from the text as shown; moving it runs its change
        // handling, which may rewrite the text.
        Define({ModeKey(slot), ModeText(slot < kOutputCount ? SlotMode::Set : SlotMode::ForceReset),
                2 * slot + 1, slot,
                [this, slot](const std::string& text) {
                    panel_.SetMode(slot, text);
                    panel_.SetSwitchPosition(slot, SwitchPositionForMode(panel_.Slot(slot).mode));
                },
                [this, slot]() -> std::optional<std::string> { return panel_.Slot(slot).mode; }});
    }
}

void Settings::DefineAlarmKeys() {
    Define({"SoundFile", kDefaultSoundFile, kAfterSlots + 1, kAnySlot,
            [this](const std::string& text) { settings_.sound_file = text; },
            [this]() -> std::optional<std::string> { return settings_.sound_file; }});
    Define({"AlarmInterval", "1", kAfterSlots + 2, kAnySlot,
            [this](const std::string& text) {
                settings_.alarm_interval = ReadNumber<std::int16_t>(text);
            },
            [this]() -> std::optional<std::string> {
                return std::to_string(settings_.alarm_interval);
            }});
    // The stored value is not applied: every start begins in math mode.
    Define({"UseMathExpression", "1", kAfterSlots, kAnySlot,
            [this](const std::string&) { panel_.SetMathMode(1); },
            [this]() -> std::optional<std::string> { return std::to_string(panel_.MathMode()); }});
}

void Settings::DefineHotKeys() {
    for (std::size_t n = 0; n < kOutputCount; ++n) {
        const int rank = kAfterSlots + 3 + 2 * static_cast<int>(n);
        Define({"DoutTrueKey" + std::to_string(n), std::to_string(kDefaultTrueKeys[n]), rank,
                kAnySlot, NumberLoader(settings_.dout_true_key[n]),
                NumberSaver(settings_.dout_true_key[n])});
        Define({"DoutFalseKey" + std::to_string(n), std::to_string(kDefaultFalseKeys[n]), rank + 1,
                kAnySlot, NumberLoader(settings_.dout_false_key[n]),
                NumberSaver(settings_.dout_false_key[n])});
    }
}

void Settings::DefineWindowKeys() {
    const int rank = kAfterSlots + 3 + 2 * kOutputCount;
    const std::array<int, 2> modifiers = {kControlKey, kAltKey};
    for (std::size_t n = 0; n < modifiers.size(); ++n) {
        Define({"HKey" + std::to_string(n), std::to_string(modifiers[n]),
                rank + static_cast<int>(n), kAnySlot, NumberLoader(settings_.hot_key[n]),
                NumberSaver(settings_.hot_key[n])});
    }
    // The data window is kept as typed; run control reads the number out of it.
    Define({"DataWindow", "100", rank + 2, kAnySlot,
            [this](const std::string& text) { panel_.SetDataWindowText(text); },
            [this]() -> std::optional<std::string> { return panel_.DataWindowText(); }});
    Define({"Window Top", "1000", rank + 3, kAnySlot,
            [this](const std::string& text) {
                panel_.SetWindowPosition(panel_.WindowLeft(), ReadPosition(text));
            },
            [this]() { return PositiveOnly(panel_.WindowTop()); }});
    Define({"Window Left", "1000", rank + 4, kAnySlot,
            [this](const std::string& text) {
                panel_.SetWindowPosition(ReadPosition(text), panel_.WindowTop());
            },
            [this]() { return PositiveOnly(panel_.WindowLeft()); }});
    Define({"EmailAlarmInterval", "20", rank + 5, kAnySlot,
            NumberLoader(settings_.email_alarm_interval),
            NumberSaver(settings_.email_alarm_interval)});
    // Added after the keys Quillon always had, so that they keep their order in the file.
    Define({"KeepAliveEmail", "0", rank + 6, kAnySlot, NumberLoader(settings_.keep_alive_email),
            NumberSaver(settings_.keep_alive_email)});
    // Beyond the original keys, and opt in: absent, it is not written either.
    Define({"StopEmailAfter", "", rank + 7, kAnySlot,
            [this](const std::string& text) {
                settings_.stop_email_after_stored = !text.empty();
                settings_.stop_email_after = std::max(0, ReadNumber<std::int32_t>(text));
            },
            [this]() -> std::optional<std::string> {
                if (!settings_.stop_email_after_stored && settings_.stop_email_after == 0) {
                    return std::nullopt;
                }
                return std::to_string(settings_.stop_email_after);
            }});
}

// Alarm timing, after every other key and only where set: a file that never had them stays
// as it was. A key once in the file is written again, even at its default.
void Settings::DefineTimingKeys() {
    int rank = kAfterSlots + 3 + 2 * kOutputCount + 8;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SlotTimingSettings& timing = settings_.slot_timing[static_cast<std::size_t>(slot)];
        const std::string on_delay = "OnDelay" + std::to_string(slot);
        const std::string off_delay = "OffDelay" + std::to_string(slot);
        const std::string latch = "Latch" + std::to_string(slot);
        Define({on_delay, "", rank++, slot,
                DelayLoader(on_delay, timing.on_delay_ms, timing.on_delay_stored),
                [&timing]() -> std::optional<std::string> {
                    if (timing.on_delay_ms == 0 && !timing.on_delay_stored) {
                        return std::nullopt;
                    }
                    return std::to_string(timing.on_delay_ms);
                }});
        Define({off_delay, "", rank++, slot,
                DelayLoader(off_delay, timing.off_delay_ms, timing.off_delay_stored),
                [&timing]() -> std::optional<std::string> {
                    if (timing.off_delay_ms == 0 && !timing.off_delay_stored) {
                        return std::nullopt;
                    }
                    return std::to_string(timing.off_delay_ms);
                }});
        Define({latch, "", rank++, slot,
                [this, latch, &timing](const std::string& text) {
                    timing.latch_stored = !text.empty();
                    const double value = LeadingNumber(text);
                    timing.latch = value >= 0.5;
                    if (value != 0.0 && value != 1.0) {
                        Note(latch + "=" + text + " is not 0 or 1: read as " +
                             (timing.latch ? "1" : "0"));
                    }
                },
                [&timing]() -> std::optional<std::string> {
                    if (!timing.latch && !timing.latch_stored) {
                        return std::nullopt;
                    }
                    return timing.latch ? "1" : "0";
                }});
    }
}

// Read as every number of the file is read, then held to 0 .. one hour, with a note.
std::function<void(const std::string&)> Settings::DelayLoader(const std::string& name,
                                                              std::int32_t& field, bool& stored) {
    return [this, name, &field, &stored](const std::string& text) {
        stored = !text.empty();
        const double value = LeadingNumber(text);
        const double held = std::isnan(value)
                                ? 0.0
                                : std::clamp(value, 0.0, static_cast<double>(kLongestSlotDelayMs));
        field = RoundToField<std::int32_t>(held);
        if (held != value) {
            Note(name + "=" + text + " is outside 0 to " + std::to_string(kLongestSlotDelayMs) +
                 " ms: read as " + std::to_string(field));
        }
    };
}

void Settings::Note(const std::string& note) {
    load_notes_ += (load_notes_.empty() ? "" : "; ") + note;
}

template <typename Int>
std::function<void(const std::string&)> Settings::NumberLoader(Int& field) {
    return [&field](const std::string& text) { field = ReadNumber<Int>(text); };
}

template <typename Int>
std::function<std::optional<std::string>()> Settings::NumberSaver(const Int& field) {
    return [&field]() -> std::optional<std::string> { return std::to_string(field); };
}

std::vector<std::string> Settings::LoadOrder() const {
    std::vector<std::string> order;
    for (const Key& key : keys_) {
        order.push_back(key.name);
    }
    return order;
}

// A slot's keys are saved only for the slots the instrument has.
std::vector<const Settings::Key*> Settings::KeysToSave() const {
    std::vector<const Key*> keys;
    for (const Key& key : keys_) {
        if (key.slot <= facts_.last_slot) {
            keys.push_back(&key);
        }
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key* a, const Key* b) { return a->save_rank < b->save_rank; });
    return keys;
}

void Settings::GetSetupInfo() {
    profiles_.RequireReadable(kSettingsFile);
    load_notes_.clear();
    for (const Key& key : keys_) {
        key.load(profiles_.Read(kSettingsFile, facts_.host_id, key.name, key.fallback));
    }
}

SaveResult Settings::SaveSetupInfo() {
    ProfileValues values;
    for (const Key* key : KeysToSave()) {
        if (std::optional<std::string> text = key->save()) {
            values.emplace_back(key->name, std::move(*text));
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
