// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "control/instance_facts.hpp"
#include "control/run_state.hpp"
#include "host/host_control.hpp"
#include "panel/panel.hpp"
#include "platform/clock.hpp"
#include "platform/locale.hpp"

namespace quillon {

// The texts handed to the e-mail agent: "<br>" breaks lines for its HTML mail, and every
// space becomes "_".
class AlarmMessages {
public:
    AlarmMessages(const Panel& panel, const InstanceFacts& facts, const RunState& run,
                  HostControl& host, Locale& locale, Clock& clock)
        : panel_(panel), facts_(facts), run_(run), host_(host), locale_(locale), clock_(clock) {}

    // The time, the instrument, the e-mail equation, then one line per channel with its current
    // sample (scan HistoryDepth of the tick's block) and its text. Raises HostError when the
    // host cannot answer.
    std::string AlarmMessage(const SampleBlock& block);
    // The date and time, the host id and the instrument model.
    std::string HostExitMessage();
    // The time, the instrument and what happened to the run ("stopped at 14:03:07: ...").
    std::string RunNoticeMessage(const std::string& what_happened);
    // The time, the instrument, whether the run is going, then one line per channel with its
    // newest sample in `latest` (empty before the first tick). Raises HostError.
    std::string KeepAliveMessage(const SampleBlock& latest, bool running);

private:
    std::string ChannelLine(std::int16_t channel, const SampleBlock& block);
    double LargerRange(std::int16_t channel);
    std::string CurrentSampleText(std::int16_t channel, double larger_range,
                                  const SampleBlock& block);

    const Panel& panel_;
    const InstanceFacts& facts_;
    const RunState& run_;
    HostControl& host_;
    Locale& locale_;
    Clock& clock_;
};

}  // namespace quillon
