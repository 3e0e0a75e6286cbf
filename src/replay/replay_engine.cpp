// SPDX-License-Identifier: MIT
#include "replay/replay_engine.hpp"

#include <stdexcept>

#include "app/timer_loop.hpp"

namespace quillon {
namespace {

// How many loop turns pass between two reports of progress.
constexpr unsigned kProgressTurns = 4096;

}  // namespace

ReplayEngine::ReplayEngine(sim::Scenario scenario, ReplaySpan span,
                           std::chrono::system_clock::time_point wall_start, ProfileStore& settings,
                           Locale& locale, int plot_columns)
    : span_(span),
      recording_(scenario.loop_recording ? nullptr : scenario.recording),
      hold_gaps_(scenario.hold_recording_gaps),
      clock_(wall_start),
      instrument_(std::move(scenario), [this] { return Now(); }),
      sound_(clock_, span.from),
      launcher_(clock_, span.from),
      prompter_(clock_, span.from),
      application_(
          Ports{instrument_, settings, prompter_, locale, clock_, sound_, launcher_, keys_}),
      summary_(clock_, span.from, span.to, plot_columns),
      traces_(plot_columns, span.from, span.to) {
    fan_out_.Add(&summary_);
    instrument_.SetTimeOrigin(0.0);
}

void ReplayEngine::Run(const std::string& instance, const Progress& progress) {
    application_.SetEventSink(&fan_out_);
    application_.SetTickObserver([this](const SampleBlock& samples, int scan, std::uint16_t) {
        traces_.Add(Now(), samples, scan);
    });
    application_.Load("-dreplay" + (instance.empty() ? std::string() : " -n" + instance));
    Panel& panel = application_.GetPanel();
    if (!panel.ScanTimerEnabled()) {
        std::string why;
        for (const ReplayMoment& message : prompter_.Messages()) {
            why += (why.empty() ? "" : "; ") + message.text;
        }
        throw std::runtime_error("the run did not start" + (why.empty() ? "" : ": " + why));
    }
    // The host's exit ends the replay as it ends a live run: stopped, the exit e-mail sent.
    instrument_.OnExit([this] { application_.HostExited(); });
    NoteGaps();
    const double length = span_.to - span_.from;
    unsigned turns = 0;
    std::optional<double> resume_at;  // the run stopped in a gap: Start when the scans return
    TimerLoop(application_, clock_, [&] {
        instrument_.Service();
        application_.AgentsFinished();
        FollowLatches();
        if (resume_at && Now() >= *resume_at) {
            resume_at.reset();
            if (!panel.ScanTimerEnabled() && !application_.Ended()) {
                application_.StartStopClicked();
            }
        }
        if (progress && ++turns % kProgressTurns == 0) {
            progress(clock_.Seconds() / length, length);
        }
    }).Run([&] {
        if (clock_.Seconds() >= length) {
            return true;
        }
        if (panel.ScanTimerEnabled() || resume_at) {
            return false;
        }
        resume_at = ResumeAfterGap();
        return !resume_at;
    });
    if (!application_.Ended()) {
        application_.StopRun("end of the replay");
    }
    summary_.Close(Now());
    application_.SetEventSink(nullptr);
    if (progress) {
        progress(1.0, length);
    }
}

void ReplayEngine::FollowLatches() {
    const Panel& panel = application_.GetPanel();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::optional<double>& since = latched_since_[static_cast<std::size_t>(slot)];
        if (!panel.Slot(slot).latched) {
            since.reset();
            continue;
        }
        if (!since) {
            since = Now();
            summary_.NoteLatched(slot);
        }
        if (ack_after_ && Now() - *since >= *ack_after_ - 1e-9) {
            application_.Acknowledge(slot, AckSource::Replay);
            since.reset();
        }
    }
}

// The summary lists every gap within the span, whether or not the run was going then.
void ReplayEngine::NoteGaps() {
    if (!recording_) {
        return;
    }
    for (std::size_t index = 0; index < recording_->gaps.size(); ++index) {
        const double from = recording_->GapStart(index);
        const double to = recording_->gaps[index].seconds;
        if (to > span_.from && from < span_.to) {
            summary_.AddGap(from, to,
                            hold_gaps_ ? "the last scan was held"
                                       : "the host had no new scans: the run stopped at each and "
                                         "started again after it");
        }
    }
}

// Where the scans return when the run stopped because a gap began; none otherwise.
std::optional<double> ReplayEngine::ResumeAfterGap() const {
    if (!recording_ || hold_gaps_ || application_.Ended()) {
        return std::nullopt;
    }
    const sim::Recording::Newest newest = recording_->NewestAt(Now(), 1e-6);
    if (!newest.silent) {
        return std::nullopt;
    }
    const double resume = recording_->RowSeconds(static_cast<std::size_t>(newest.row) + 1);
    return resume < span_.to ? std::optional<double>(resume) : std::nullopt;
}

std::vector<std::string> ReplayEngine::ChannelNames() {
    std::vector<std::string> names;
    HostControl& host = instrument_;
    for (std::int16_t channel = 0; channel < host.ChannelCount(); ++channel) {
        names.push_back(host.ChannelText(channel));
    }
    return names;
}

}  // namespace quillon
