// SPDX-License-Identifier: MIT
#include "control/alarms.hpp"

#include <algorithm>
#include <stdexcept>

#include "agent/contract/mail_agent_exit.hpp"
#include "platform/local_time.hpp"

namespace quillon {

void Alarms::StartAudioAlarm() {
    if (!panel_.AlarmTimerEnabled()) {
        PlaySound();
        alarm_countdown_ = Interval();
    }
    panel_.SetAlarmTimerEnabled(true);
}

void Alarms::AlarmTick() {
    if (!panel_.AlarmTimerEnabled()) {
        return;
    }
    if (alarm_countdown_ > 0) {
        --alarm_countdown_;
        return;
    }
    alarm_countdown_ = Interval();
    PlaySound();
}

void Alarms::PlaySound() {
    ports_.sound.Play(settings_.sound_file, run_.sound_flags);
}

std::int16_t Alarms::Interval() const {
    return std::max<std::int16_t>(settings_.alarm_interval, 0);
}

std::optional<std::string> Alarms::SendAlarmEmail(const SampleBlock& block) {
    std::string message;
    try {
        message = messages_.AlarmMessage(block);
    } catch (const HostError& error) {
        // The scan cycle stops the run on this, and the e-mail stays armed for the next true
        // result: reporting it as sent would lose it.
        throw std::runtime_error("Alarm e-mail not sent: the host did not answer: " +
                                 std::string(error.what()));
    }
    return Launch(AgentCommand(kAlarmEvent, facts_.sender_suffix, message), "Alarm e-mail");
}

std::optional<std::string> Alarms::SendHostExitNotice() {
    if (panel_.Slot(kEmailSlot).switch_position >= kForceResetPosition) {
        return std::nullopt;
    }
    return Launch(AgentCommand(kHostExitEvent, facts_.sender_suffix, messages_.HostExitMessage()),
                  "Exit e-mail");
}

std::optional<std::string> Alarms::SendRunNotice(const char* event_word,
                                                 const std::string& what_happened) {
    if (panel_.Slot(kEmailSlot).switch_position >= kForceResetPosition) {
        return std::nullopt;
    }
    return Launch(
        AgentCommand(event_word, facts_.sender_suffix, messages_.RunNoticeMessage(what_happened)),
        "Run notice e-mail");
}

namespace {

// "Alarm e-mail", "Exit e-mail", "Keep-alive e-mail", from the event word of the agent's
// command line ("Alarm@Line_3").
std::string WhatWasSent(const FinishedProcess& agent) {
    const std::string event = agent.arguments.size() > 2
                                  ? agent.arguments[2].substr(0, agent.arguments[2].find('@'))
                                  : std::string();
    if (event == kHostExitEvent) {
        return "Exit e-mail";
    }
    if (event == kKeepAliveEvent) {
        return "Keep-alive e-mail";
    }
    if (event == kRunStoppedEvent || event == kRunResumedEvent) {
        return "Run notice e-mail";
    }
    return "Alarm e-mail";
}

}  // namespace

std::optional<std::string> Alarms::AgentFinished(const FinishedProcess& agent) const {
    if (agent.program != kMailAgentProgram) {
        return std::nullopt;
    }
    const std::string outcome =
        agent.exited ? MailAgentExitText(agent.status)
                     : "not known: the agent was ended by signal " + std::to_string(agent.status);
    return WhatWasSent(agent) + " " + outcome + " (" +
           LocalTimeText(ports_.clock.WallTime(), "%H:%M:%S") + ")";
}

std::optional<std::string> Alarms::KeepAliveTick(const SampleBlock& latest, bool running) {
    if (settings_.keep_alive_email != 1 || settings_.email_alarm_interval <= 0) {
        return std::nullopt;
    }
    if (run_.keep_alive_reloaded) {
        run_.keep_alive_reloaded = false;
        return std::nullopt;
    }
    if (run_.keep_alive_countdown > 0) {
        --run_.keep_alive_countdown;
        return std::nullopt;
    }
    run_.keep_alive_countdown = settings_.KeepAliveStart();
    std::string message;
    try {
        message = messages_.KeepAliveMessage(latest, running);
    } catch (const HostError& error) {
        return "Keep-alive e-mail not sent: the host did not answer: " + std::string(error.what());
    }
    return Launch(AgentCommand(kKeepAliveEvent, facts_.sender_suffix, message),
                  "Keep-alive e-mail");
}

std::optional<std::string> Alarms::Launch(const AgentCommand& command, const std::string& what) {
    std::string error;
    const std::vector<std::string> arguments = command.Arguments();
    const bool started = ports_.launcher.Launch(kMailAgentProgram, arguments, error);
    events_->AgentLaunched(arguments[2], arguments[3], started ? std::string() : error);
    if (started) {
        return std::nullopt;
    }
    // A status that only ever shows the first failure would hide that it keeps failing.
    ++launch_failures_;
    std::string report =
        what + " not sent at " + LocalTimeText(ports_.clock.WallTime(), "%H:%M:%S") + ": " + error;
    if (launch_failures_ > 1) {
        report += " (" + std::to_string(launch_failures_) + " e-mails not sent so far)";
    }
    return report;
}

}  // namespace quillon
