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
      clock_(wall_start),
      instrument_(std::move(scenario), [this] { return Now(); }),
      sound_(clock_, span.from),
      launcher_(clock_, span.from),
      prompter_(clock_, span.from),
      addon_(Ports{instrument_, settings, prompter_, locale, clock_, sound_, launcher_, keys_}),
      summary_(clock_, span.from),
      traces_(plot_columns, span.from, span.to) {
    fan_out_.Add(&summary_);
}

void ReplayEngine::Run(const std::string& instance, const Progress& progress) {
    addon_.SetEventSink(&fan_out_);
    addon_.SetTickObserver([this](const SampleBlock& samples, int scan, std::uint16_t) {
        traces_.Add(Now(), samples, scan);
    });
    addon_.Load("-dreplay" + (instance.empty() ? std::string() : " -n" + instance));
    Panel& panel = addon_.GetPanel();
    if (!panel.ScanTimerEnabled()) {
        std::string why;
        for (const ReplayMoment& message : prompter_.Messages()) {
            why += (why.empty() ? "" : "; ") + message.text;
        }
        throw std::runtime_error("the run did not start" + (why.empty() ? "" : ": " + why));
    }
    const double length = span_.to - span_.from;
    unsigned turns = 0;
    TimerLoop(addon_, clock_, [&] {
        instrument_.Service();
        addon_.AgentsFinished();
        if (progress && ++turns % kProgressTurns == 0) {
            progress(clock_.Seconds() / length, length);
        }
    }).Run([&] { return clock_.Seconds() >= length || !panel.ScanTimerEnabled(); });
    addon_.StopRun("end of the replay");
    summary_.Close(Now());
    addon_.SetEventSink(nullptr);
    if (progress) {
        progress(1.0, length);
    }
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
