// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "control/event_sink.hpp"
#include "panel/panel.hpp"
#include "replay/replay_ports.hpp"
#include "replay/slot_columns.hpp"
#include "replay/virtual_clock.hpp"

namespace quillon {

// When each slot was on, and how the run went, in recording time: the replay's summary and
// the plot's bands.
class ReplaySummary final : public EventSink {
public:
    struct Interval {
        double from;
        double to;
    };
    struct SlotRecord {
        int switched_on = 0;
        int switched_off = 0;
        std::optional<double> first_switch;
        std::optional<double> last_switch;
        double seconds_on = 0.0;  // of the closed on-periods; an open one ends at Close()
        std::optional<double> on_since;
        int latched = 0;       // latches that began
        int acknowledged = 0;  // latches that an acknowledgement ended
    };

    // The replay runs from `from` to `to` (recording time); the plot has `columns` columns.
    ReplaySummary(VirtualClock& clock, double from, double to, int columns)
        : clock_(clock), from_(from), columns_(kSlotCount, columns, from, to) {}

    // The end of the replay: slots still on are on until `seconds`.
    void Close(double seconds);

    const SlotRecord& Slot(int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }
    double TotalOn(int slot) const { return Slot(slot).seconds_on; }
    // The plot's bands: when each slot was on, per pixel column.
    const SlotColumns& Columns() const { return columns_; }
    const std::vector<ReplayMoment>& Stops() const { return stops_; }
    // A gap of the recording within the replay, and what the replay did in it.
    void AddGap(double from, double to, const std::string& what) {
        gaps_.push_back({from, to});
        gap_handling_ = what;
    }

    // The summary as text: per slot, the alarm sounds, the e-mails with their messages, why
    // the run stopped.
    std::string Text(const std::string& title, double from, double to,
                     const std::vector<ReplayMoment>& sounds,
                     const std::vector<ReplayMoment>& emails,
                     const std::vector<ReplayMoment>& messages) const;

    void TickStarted(std::uint64_t) override {}
    void RunStarted() override {}
    void RunStopped(std::string_view reason) override;
    void SlotChanged(const SlotChange& change) override;
    void ModeChanged(int, std::string_view, std::string_view, int, ChangeSource) override {}
    void SwitchChanged(std::string_view, int, ChangeSource) override {}
    void OutputWritten(const OutputWrite&) override {}
    void AudioAlarmChanged(bool) override {}
    void AgentLaunched(std::string_view, std::string_view, std::string_view) override {}
    void AgentExited(std::string_view, bool, int, std::string_view) override {}
    void HostExited() override { exits_.push_back({Now(), "host exit"}); }
    void Acknowledged(int slot, AckSource) override {
        ++slots_.at(static_cast<std::size_t>(slot)).acknowledged;
    }
    // A slot latched (the replay looks between ticks).
    void NoteLatched(int slot) { ++slots_.at(static_cast<std::size_t>(slot)).latched; }

private:
    double Now() const { return from_ + clock_.Seconds(); }
    void EndOn(int slot, double seconds);
    // The slots that latched, with their acknowledgements; empty when none did.
    std::string LatchText() const;

    VirtualClock& clock_;
    double from_;
    SlotColumns columns_;
    std::array<SlotRecord, kSlotCount> slots_{};
    std::vector<ReplayMoment> stops_;
    std::vector<ReplayMoment> exits_;
    std::vector<Interval> gaps_;
    std::string gap_handling_;
};

// "1:02:03.450" for the summary and the plot's axis: hours only when there are any.
std::string RecordingTimeText(double seconds);

}  // namespace quillon
