// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "control/event_sink.hpp"

namespace quillon {

// Between the controllers and the event log, for a host that hands output words on to a
// device and learns later whether the device took them: an output write the host accepted
// waits here until the device's answer comes, so that "written" in the log means the device
// acknowledged it. Every other event passes straight through.
class ConfirmedOutputEvents final : public EventSink {
public:
    explicit ConfirmedOutputEvents(EventSink& target) : target_(&target) {}
    void SetTarget(EventSink& target) { target_ = &target; }

    // The device's answer to the oldest waiting write of `word`; an empty refusal: it took
    // it. Writes before it that the device never saw (a newer word replaced them) are logged
    // as not written.
    void Confirm(std::int16_t word, const std::string& refusal);

    void OutputWritten(const OutputWrite& write) override;

    void TickStarted(std::uint64_t tick) override { target_->TickStarted(tick); }
    void Idle() override { target_->Idle(); }
    void RunStarted() override { target_->RunStarted(); }
    void RunResumed() override { target_->RunResumed(); }
    void RunStopped(std::string_view reason) override { target_->RunStopped(reason); }
    void SlotChanged(const SlotChange& change) override { target_->SlotChanged(change); }
    void ModeChanged(int slot, std::string_view old_mode, std::string_view new_mode,
                     int switch_position, ChangeSource source) override {
        target_->ModeChanged(slot, old_mode, new_mode, switch_position, source);
    }
    void SwitchChanged(std::string_view name, int value, ChangeSource source) override {
        target_->SwitchChanged(name, value, source);
    }
    void AudioAlarmChanged(bool sounding) override { target_->AudioAlarmChanged(sounding); }
    void AgentLaunched(std::string_view event_word, std::string_view message,
                       std::string_view error) override {
        target_->AgentLaunched(event_word, message, error);
    }
    void AgentExited(std::string_view event_word, bool exited, int status,
                     std::string_view outcome) override {
        target_->AgentExited(event_word, exited, status, outcome);
    }
    void HostExited() override { target_->HostExited(); }

private:
    void Unconfirmed(OutputWrite write, const std::string& why);

    EventSink* target_;
    std::deque<OutputWrite> waiting_;
};

}  // namespace quillon
