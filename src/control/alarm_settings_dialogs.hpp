// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/instance_facts.hpp"
#include "control/operator_settings.hpp"
#include "control/run_state.hpp"
#include "platform/locale.hpp"
#include "platform/prompter.hpp"

namespace quillon {

// The two settings dialogs of the bottom row. Their changes live in memory and take effect at
// once; the settings file gets them at shutdown. No answer is an error: an empty one (Cancel
// or OK on an empty field) changes nothing, and so does a number below the field's minimum or
// one that does not fit it.
class AlarmSettingsDialogs {
public:
    AlarmSettingsDialogs(OperatorSettings& settings, RunState& run, const InstanceFacts& facts,
                         Prompter& prompter, Locale& locale)
        : settings_(settings), run_(run), facts_(facts), prompter_(prompter), locale_(locale) {}

    // Command3: the sound file, then the repeat interval in seconds (at least 1), then the
    // audio alarm's on-delay, off-delay and latch.
    void AlarmDialog();
    // Command5: the keep-alive interval in minutes (0 turns it off), kept in half-minutes,
    // then the e-mail alarm's on-delay, off-delay and latch.
    void EmailIntervalDialog();

private:
    std::optional<std::string> Ask(const std::string& prompt, const std::string& title,
                                   const std::string& fallback);
    bool AskAlarmInterval();
    // The slot's delays and latch, one box each, until an empty answer.
    void AskTiming(int slot, const std::string& title);
    bool AskDelay(const std::string& prompt, const std::string& title, std::int32_t& delay_ms);

    OperatorSettings& settings_;
    RunState& run_;
    const InstanceFacts& facts_;
    Prompter& prompter_;
    Locale& locale_;
};

}  // namespace quillon
