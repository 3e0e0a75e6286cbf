// SPDX-License-Identifier: MIT
#include "control/alarm_settings_dialogs.hpp"

#include <cstdint>

#include "utility/leading_number.hpp"

namespace quillon {
namespace {

constexpr char kAlarmTitle[] = "Alarm Configuration";
constexpr char kSoundPrompt[] = "You may modify the filepath for the Alarm sound (.wav) file";
constexpr char kIntervalPrompt[] = "Please specify the interval (in seconds) between each alarm";
constexpr char kEmailTitle[] = "Email Configuration";
constexpr char kEmailPrompt[] =
    "Email configuration can be found in WinDaq's add-on menu\r\n\r\n"
    "Please specify the interval (in minutes) between keep alive emails (0 to disable keep "
    "alive) ";
constexpr char kOnDelayPrompt[] =
    "Please specify the on-delay (in milliseconds, 0 to 3600000): how long the condition must "
    "last before the alarm starts";
constexpr char kOffDelayPrompt[] =
    "Please specify the off-delay (in milliseconds, 0 to 3600000): how long the condition must "
    "be gone before the alarm ends";
constexpr char kLatchPrompt[] =
    "Latch the alarm until it is acknowledged (a click on its lamp, Ctrl+Alt+Space)? 1 = yes, "
    "0 = no";

}  // namespace

std::optional<std::string> AlarmSettingsDialogs::Ask(const std::string& prompt,
                                                     const std::string& title,
                                                     const std::string& fallback) {
    std::optional<std::string> answer = prompter_.InputBox(prompt, title, fallback);
    // Cancel and OK on an empty field are the same answer.
    if (!answer || answer->empty()) {
        return std::nullopt;
    }
    return answer;
}

void AlarmSettingsDialogs::AlarmDialog() {
    const std::optional<std::string> path = Ask(kSoundPrompt, kAlarmTitle, settings_.sound_file);
    if (!path) {
        return;
    }
    settings_.sound_file = *path;  // verbatim: the player stays silent for a file it cannot play
    if (AskAlarmInterval()) {
        AskTiming(kAudioSlot, kAlarmTitle);
    }
}

bool AlarmSettingsDialogs::AskAlarmInterval() {
    const std::optional<std::string> answer =
        Ask(kIntervalPrompt, kAlarmTitle, std::to_string(settings_.alarm_interval));
    if (!answer) {
        return false;
    }
    const double seconds = LeadingNumber(*answer, NumberSyntax{.radix_prefixes = true});
    const std::optional<std::int16_t> interval = RoundIfFits<std::int16_t>(seconds);
    if (seconds >= 1.0 && interval) {
        settings_.alarm_interval = *interval;
    }
    return true;
}

void AlarmSettingsDialogs::EmailIntervalDialog() {
    const std::optional<std::string> answer =
        Ask(kEmailPrompt, kEmailTitle, locale_.FormatGeneral(settings_.email_alarm_interval / 2.0));
    if (!answer) {
        return;
    }
    // The default was shown with the locale's separator: it reads back as shown.
    const double minutes = LeadingNumber(
        *answer, {.radix_prefixes = true, .decimal_separator = facts_.decimal_separator});
    const std::optional<std::int32_t> half_minutes = RoundIfFits<std::int32_t>(2.0 * minutes);
    if (minutes >= 0.0 && half_minutes) {
        settings_.email_alarm_interval = *half_minutes;
        run_.keep_alive_countdown = *half_minutes;
    }
    AskTiming(kEmailSlot, kEmailTitle);
}

// A value outside its range changes nothing, as an interval below its minimum does.
void AlarmSettingsDialogs::AskTiming(int slot, const std::string& title) {
    SlotTimingSettings& timing = settings_.slot_timing[static_cast<std::size_t>(slot)];
    if (!AskDelay(kOnDelayPrompt, title, timing.on_delay_ms) ||
        !AskDelay(kOffDelayPrompt, title, timing.off_delay_ms)) {
        return;
    }
    const std::optional<std::string> answer = Ask(kLatchPrompt, title, timing.latch ? "1" : "0");
    if (!answer) {
        return;
    }
    const double latch = LeadingNumber(*answer);
    if (latch == 0.0 || latch == 1.0) {
        timing.latch = latch == 1.0;
    }
}

bool AlarmSettingsDialogs::AskDelay(const std::string& prompt, const std::string& title,
                                    std::int32_t& delay_ms) {
    const std::optional<std::string> answer = Ask(prompt, title, std::to_string(delay_ms));
    if (!answer) {
        return false;
    }
    const double ms = LeadingNumber(*answer, NumberSyntax{.radix_prefixes = true});
    if (ms >= 0.0 && ms <= kLongestSlotDelayMs) {
        delay_ms = RoundToField<std::int32_t>(ms);
    }
    return true;
}

}  // namespace quillon
