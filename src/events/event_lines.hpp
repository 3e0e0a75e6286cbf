// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "control/event_sink.hpp"
#include "events/iso_time.hpp"
#include "events/json_line.hpp"
#include "platform/clock.hpp"

namespace quillon {

// Turns each event into one JSON line: the wall time (ISO 8601, milliseconds, offset), the
// instance's name once it is followed, the monotonic seconds since this object was made ("t"),
// the tick number, the event's name and its fields. What happens to a line is the subclass's.
class EventLines : public EventSink {
public:
    explicit EventLines(Clock& clock);

    // Every later line names the instance as `name` reads then (the instance's name is known
    // only once the command line is read); `name` must outlive this object.
    void FollowInstanceName(const std::string& name) { instance_ = &name; }
    // "t" counts from `seconds` instead of 0 (a replay's lines give recording time).
    void CountTimeFrom(double seconds) { t_origin_ = seconds; }

    void TickStarted(std::uint64_t tick) override { tick_ = tick; }
    void RunStarted() override;
    void RunResumed() override;
    void RunStopped(std::string_view reason) override;
    void SlotChanged(const SlotChange& change) override;
    void ModeChanged(int slot, std::string_view old_mode, std::string_view new_mode,
                     int switch_position, ChangeSource source) override;
    void SwitchChanged(std::string_view name, int value, ChangeSource source) override;
    void OutputWritten(const OutputWrite& write) override;
    void AudioAlarmChanged(bool sounding) override;
    void AgentLaunched(std::string_view event_word, std::string_view message,
                       std::string_view error) override;
    void AgentExited(std::string_view event_word, bool exited, int status,
                     std::string_view outcome) override;
    void HostExited() override;
    void CycleOverran(int ticks, double worst_ms) override;
    void Acknowledged(int slot, AckSource source) override;
    // An event of a part beside the cycle (the fleet publisher's broker): `add_fields` adds
    // its own fields after the common ones.
    template <typename AddFields>
    void Other(std::string_view event, AddFields add_fields) {
        JsonLine line = Begin(event);
        add_fields(line);
        Finish(line);
    }

protected:
    // One finished line, its line feed included.
    virtual void Emit(std::string_view line) = 0;
    Clock& EventClock() { return clock_; }
    std::uint64_t Tick() const { return tick_; }
    // The line Begin started, once it is ended, for a subclass that keeps it apart.
    const std::string& StartedLine() const { return line_; }
    // Starts a line with the fields every event has; the caller adds its own and ends it.
    JsonLine Begin(std::string_view event);
    void Finish(JsonLine& line);

private:
    Clock& clock_;
    const std::string* instance_ = nullptr;
    double t_origin_ = 0.0;
    std::chrono::steady_clock::time_point start_;
    std::uint64_t tick_ = 0;
    std::string line_;
    IsoTimeFormatter time_text_;
};

}  // namespace quillon
