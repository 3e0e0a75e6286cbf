// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/application.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/no_key_state.hpp"
#include "replay/replay_ports.hpp"
#include "replay/replay_summary.hpp"
#include "replay/trace_columns.hpp"
#include "replay/virtual_clock.hpp"

namespace quillon {

// The part of a recording to replay, in seconds into it.
struct ReplaySpan {
    double from = 0.0;
    double to = 0.0;
};

// A recording run through the same Application and timer loop as a live run, on a virtual clock:
// the simulated instrument plays the recording at the clock's time, and nothing leaves the
// process (no output reaches an instrument, no sound plays, no e-mail goes, no setting is
// written).
class ReplayEngine {
public:
    // Told now and then: the share of the span done (0 to 1), and the span's length.
    using Progress = std::function<void(double done, double span_seconds)>;

    // `settings` is read only; `wall_start` is the wall time at the span's start. The scenario
    // plays from the span's start: recording time is the span's start plus the clock's.
    ReplayEngine(sim::Scenario scenario, ReplaySpan span,
                 std::chrono::system_clock::time_point wall_start, ProfileStore& settings,
                 Locale& locale, int plot_columns = 1000);

    // Before Run: another sink of every event (the event log).
    void AddSink(EventSink* sink) { fan_out_.Add(sink); }
    // Before Run: each latch is acknowledged this many seconds after it began.
    void AcknowledgeAfter(std::optional<double> seconds) { ack_after_ = seconds; }
    Clock& GetClock() { return clock_; }

    // Loads the instance's settings and runs until the span ends, the run stops by itself or
    // the host exits. Raises std::runtime_error when start-up fails or Start refuses an
    // equation.
    void Run(const std::string& instance, const Progress& progress = {});

    const ReplaySummary& Summary() const { return summary_; }
    const TraceColumns& Traces() const { return traces_; }
    const std::vector<ReplayMoment>& Sounds() const { return sound_.Sounds(); }
    const std::vector<ReplayMoment>& Emails() const { return launcher_.Emails(); }
    const std::vector<ReplayMoment>& Messages() const { return prompter_.Messages(); }
    std::vector<std::string> ChannelNames();
    std::uint64_t Ticks() const { return application_.Ticks(); }
    ReplaySpan Span() const { return span_; }

private:
    double Now() const { return span_.from + clock_.Seconds(); }
    void NoteGaps();
    std::optional<double> ResumeAfterGap() const;
    // Between ticks: notes latches that began, and acknowledges those that waited long enough.
    void FollowLatches();

    ReplaySpan span_;
    std::shared_ptr<const sim::Recording> recording_;  // with its gaps; none for waveforms
    bool hold_gaps_ = false;
    VirtualClock clock_;
    sim::SimulatedInstrument instrument_;
    ReplaySoundPlayer sound_;
    ReplayLauncher launcher_;
    ReplayPrompter prompter_;
    NoKeyState keys_;
    Application application_;
    ReplaySummary summary_;
    TraceColumns traces_;
    EventFanOut fan_out_;
    std::optional<double> ack_after_;
    std::array<std::optional<double>, kSlotCount> latched_since_{};
};

}  // namespace quillon
