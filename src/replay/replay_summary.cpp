// SPDX-License-Identifier: MIT
#include "replay/replay_summary.hpp"

#include <cmath>
#include <cstdio>

namespace quillon {
namespace {

std::string SlotName(int slot) {
    if (slot == kAudioSlot) {
        return "audio alarm";
    }
    if (slot == kEmailSlot) {
        return "e-mail alarm";
    }
    return "DOUT " + std::to_string(slot);
}

// The agent's "<br>" line breaks as lines, indented under their e-mail.
std::string MessageLines(const std::string& message) {
    std::string text = "    ";
    std::size_t at = 0;
    for (std::size_t found; (found = message.find("<br>", at)) != std::string::npos;
         at = found + 4) {
        text += message.substr(at, found - at) + "\n    ";
    }
    text += message.substr(at);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) {
        text.pop_back();
    }
    return text + "\n";
}

}  // namespace

std::string RecordingTimeText(double seconds) {
    const auto millis = static_cast<long long>(std::llround(seconds * 1000.0));
    const long long hours = millis / 3'600'000;
    const long long minutes = millis / 60'000 % 60;
    const double rest = static_cast<double>(millis % 60'000) / 1000.0;
    char text[48];
    if (hours > 0) {
        static_cast<void>(
            std::snprintf(text, sizeof text, "%lld:%02lld:%06.3f", hours, minutes, rest));
    } else {
        static_cast<void>(std::snprintf(text, sizeof text, "%lld:%06.3f", minutes, rest));
    }
    return text;
}

void ReplaySummary::RunStopped(std::string_view reason) {
    stops_.push_back({Now(), reason.empty() ? "operator" : std::string(reason)});
    Close(Now());
}

void ReplaySummary::SlotChanged(const SlotChange& change) {
    SlotRecord& record = slots_.at(static_cast<std::size_t>(change.slot));
    const double now = Now();
    const bool on = change.new_state == "on";
    if (change.old_state == "none" && !on) {
        return;  // the run's first look at the slot: nothing switched
    }
    (on ? record.switched_on : record.switched_off) += 1;
    if (!record.first_switch) {
        record.first_switch = now;
    }
    record.last_switch = now;
    if (on) {
        record.on_since = now;
    } else {
        EndOn(change.slot, now);
    }
}

void ReplaySummary::EndOn(int slot, double seconds) {
    SlotRecord& record = slots_.at(static_cast<std::size_t>(slot));
    if (record.on_since) {
        record.seconds_on += seconds - *record.on_since;
        columns_.AddOn(slot, *record.on_since, seconds);
        record.on_since.reset();
    }
}

std::string ReplaySummary::LatchText() const {
    std::string text;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SlotRecord& record = Slot(slot);
        if (record.latched > 0) {
            text += "  " + SlotName(slot) + ": latched " + std::to_string(record.latched) +
                    (record.latched == 1 ? " time, " : " times, ") + "acknowledged " +
                    std::to_string(record.acknowledged) + "\n";
        }
    }
    return text.empty() ? text : "\nLatched alarms:\n" + text;
}

void ReplaySummary::Close(double seconds) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EndOn(slot, seconds);
    }
}

std::string ReplaySummary::Text(const std::string& title, double from, double to,
                                const std::vector<ReplayMoment>& sounds,
                                const std::vector<ReplayMoment>& emails,
                                const std::vector<ReplayMoment>& messages) const {
    std::string text = title + "\nReplayed from " + RecordingTimeText(from) + " to " +
                       RecordingTimeText(to) + " of the recording.\n\n";
    char line[160];
    static_cast<void>(std::snprintf(line, sizeof line, "%-14s %9s %9s %14s %12s %12s\n", "slot",
                                    "on", "off", "time on", "first", "last"));
    text += line;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SlotRecord& record = Slot(slot);
        static_cast<void>(std::snprintf(
            line, sizeof line, "%-14s %9d %9d %14s %12s %12s\n", SlotName(slot).c_str(),
            record.switched_on, record.switched_off, RecordingTimeText(TotalOn(slot)).c_str(),
            record.first_switch ? RecordingTimeText(*record.first_switch).c_str() : "-",
            record.last_switch ? RecordingTimeText(*record.last_switch).c_str() : "-"));
        text += line;
    }
    text += LatchText();
    text += "\nAlarm sounds: " + std::to_string(sounds.size());
    for (std::size_t i = 0; i < sounds.size() && i < 20; ++i) {
        text += (i == 0 ? " at " : ", ") + RecordingTimeText(sounds[i].seconds);
    }
    text += sounds.size() > 20 ? ", ...\n" : "\n";
    text += "E-mails that would have been sent: " + std::to_string(emails.size()) + "\n";
    for (const ReplayMoment& email : emails) {
        text += "  at " + RecordingTimeText(email.seconds) + ": " +
                email.text.substr(0, email.text.find(' ')) + "\n" +
                MessageLines(email.text.substr(email.text.find(' ') + 1));
    }
    if (!gaps_.empty()) {
        text += "Gaps in the recording (no scans for over twice the median period): " +
                std::to_string(gaps_.size()) + "; " + gap_handling_ + "\n";
        for (const Interval& gap : gaps_) {
            text +=
                "  from " + RecordingTimeText(gap.from) + " to " + RecordingTimeText(gap.to) + "\n";
        }
    }
    for (const ReplayMoment& exit : exits_) {
        text += "The host exited at " + RecordingTimeText(exit.seconds) + "\n";
    }
    for (const ReplayMoment& stop : stops_) {
        text += "The run stopped at " + RecordingTimeText(stop.seconds) + ": " + stop.text + "\n";
    }
    for (const ReplayMoment& message : messages) {
        text += "Message at " + RecordingTimeText(message.seconds) + ": " + message.text + "\n";
    }
    return text;
}

}  // namespace quillon
