// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control/instance_facts.hpp"
#include "control/operator_settings.hpp"
#include "panel/panel.hpp"
#include "platform/profile_store.hpp"

namespace quillon {

inline constexpr const char* kSettingsFile = "NorvaneAlarm.ini";

// The outcome of a save: every key is attempted; failures are counted, the first one kept.
struct SaveResult {
    int failed_keys = 0;
    std::string first_error;
    bool Ok() const { return failed_keys == 0; }
};

// The instance's section of the settings file: equations, modes, alarm sound, hot keys, data
// window, window position and keep-alive interval. Loaded once at start-up, saved once a run.
class Settings {
public:
    Settings(Panel& panel, OperatorSettings& settings, const InstanceFacts& facts,
             ProfileStore& profiles);

    void GetSetupInfo();
    SaveResult SaveSetupInfo();

    // Key names in the order a load reads them.
    std::vector<std::string> LoadOrder() const;
    // What the last load had to correct (a delay out of range), for the status line; empty
    // when nothing.
    const std::string& LoadNotes() const { return load_notes_; }

private:
    static constexpr int kAnySlot = -1;

    // One key: its name, its default, its place in a save, the slot it belongs to (kAnySlot
    // for none), how a loaded text is applied, and the text a save writes (none when the key
    // is not written this time).
    struct Key {
        std::string name;
        std::string fallback;
        int save_rank;
        int slot;
        std::function<void(const std::string&)> load;
        std::function<std::optional<std::string>()> save;
    };

    void DefineEquationKeys();
    void DefineModeKeys();
    void DefineAlarmKeys();
    void DefineHotKeys();
    void DefineWindowKeys();
    void DefineTimingKeys();
    std::function<void(const std::string&)> DelayLoader(const std::string& name,
                                                        std::int32_t& field, bool& stored);
    void Note(const std::string& note);
    void Define(Key key);
    template <typename Int>
    static std::function<void(const std::string&)> NumberLoader(Int& field);
    template <typename Int>
    static std::function<std::optional<std::string>()> NumberSaver(const Int& field);
    std::vector<const Key*> KeysToSave() const;

    Panel& panel_;
    OperatorSettings& settings_;
    const InstanceFacts& facts_;
    ProfileStore& profiles_;
    std::vector<Key> keys_;  // in load order
    std::string load_notes_;
};

}  // namespace quillon
