// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/agent_command.hpp"
#include "control/alarm_messages.hpp"
#include "control/alarm_ports.hpp"
#include "control/event_sink.hpp"
#include "control/instance_facts.hpp"
#include "control/operator_settings.hpp"
#include "control/run_state.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The audio alarm (slot 8), repeated by Timer2, and the e-mails of slot 9 and of the host's
// exit, sent by launching the e-mail agent. A failed launch ends nothing: its reason comes
// back for the operator.
class Alarms {
public:
    Alarms(Panel& panel, const InstanceFacts& facts, const OperatorSettings& settings,
           RunState& run, const AlarmPorts& ports)
        : panel_(panel),
          facts_(facts),
          settings_(settings),
          run_(run),
          ports_(ports),
          messages_(panel, facts, run, ports.host, ports.locale, ports.clock) {}

    void SetEventSink(EventSink* events) { events_ = events; }
    // Plays at once unless already repeating, then leaves the repetition to Timer2.
    void StartAudioAlarm();
    // A sound already playing is not cut short.
    void StopAudioAlarm() { panel_.SetAlarmTimerEnabled(false); }
    // Timer2: the sound plays again every AlarmInterval + 1 seconds.
    void AlarmTick();
    std::int16_t AlarmCountdown() const { return alarm_countdown_; }

    // The alarm e-mail with the samples of the tick's block; the reason when the agent could
    // not be started. Throws std::runtime_error when the host could not answer.
    std::optional<std::string> SendAlarmEmail(const SampleBlock& block);
    // The exit e-mail, unless the e-mail slot is forced off; the reason when it was not sent.
    // Stopping, saving and ending are the caller's.
    std::optional<std::string> SendHostExitNotice();
    // A run notice (kRunStoppedEvent or kRunResumedEvent) unless the e-mail slot is forced
    // off; the reason when it was not sent.
    std::optional<std::string> SendRunNotice(const char* event_word,
                                             const std::string& what_happened);
    // Timer3, when keep-alive e-mails are on and the interval is above 0: counts the
    // half-minutes of quiet down and at 0 sends a keep-alive with the newest samples, then
    // starts counting again. A half-minute in which the e-mail equation was true does not
    // count. The reason when the agent did not start.
    std::optional<std::string> KeepAliveTick(const SampleBlock& latest, bool running);
    // What an e-mail agent that has ended says for the status line: "Alarm e-mail queued at
    // 14:03:07", or its complaint. Nothing for other programs.
    std::optional<std::string> AgentFinished(const FinishedProcess& agent) const;

private:
    void PlaySound();
    // A negative interval counts as 0, so that the countdown always reaches 0.
    std::int16_t Interval() const;
    std::optional<std::string> Launch(const AgentCommand& command, const std::string& what);

    Panel& panel_;
    const InstanceFacts& facts_;
    const OperatorSettings& settings_;
    RunState& run_;
    AlarmPorts ports_;
    AlarmMessages messages_;
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    std::int16_t alarm_countdown_ = 0;
    int launch_failures_ = 0;
};

}  // namespace quillon
