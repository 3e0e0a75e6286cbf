// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Where a mode or switch change came from.
enum class ChangeSource { Window, Key, HotKey, Settings };

// The name each source has in the event log: "window", "key", "hot key", "settings".
std::string_view ChangeSourceName(ChangeSource source);

// Who acknowledged a latched slot: a click on its lamp, Ctrl+Alt+Space, SIGUSR1, a line on
// standard input, a replay's --ack-after.
enum class AckSource { Window, HotKey, Signal, Console, Replay };

// "window", "hot key", "signal", "console", "replay".
std::string_view AckSourceName(AckSource source);

// Why an evaluated slot is in its state: the equation as written, the text the evaluator was
// given, and what it returned.
struct EquationTrace {
    std::string_view equation;
    std::string_view substituted;
    double value = 0.0;
};

// A slot's lamp went from one state to another: "on", "off", or "none" before the first
// decision of a run.
struct SlotChange {
    int slot = 0;
    std::string_view mode;
    std::string_view old_state;
    std::string_view new_state;
    std::optional<EquationTrace> trace;  // only for a slot whose equation decided
};

// An output word handed to the instrument, or a write that failed.
struct OutputWrite {
    std::int16_t word = 0;
    bool high_byte_layout = false;
    bool forced = false;  // Start, Stop or a failed write asked for this write
    bool manual = false;  // the manual check boxes' word, not the cycle's
    std::string error;    // empty when the instrument took it
};

// What the cycle and the operator did that someone may later ask "why" about. Every call is
// cheap for the caller: implementations buffer, and none may block or throw.
class EventSink {
public:
    virtual ~EventSink() = default;

    // A scan tick begins (ticks count from 1 for the program's life). Called on every tick, so
    // it must cost next to nothing when nothing happens.
    virtual void TickStarted(std::uint64_t tick) = 0;
    // Between ticks, from the front end's loop: buffered lines may go out now.
    virtual void Idle() {}

    virtual void RunStarted() = 0;
    // Started again by itself once the host answered after it failed.
    virtual void RunResumed() { RunStarted(); }
    // An empty reason: the operator stopped it.
    virtual void RunStopped(std::string_view reason) = 0;
    virtual void SlotChanged(const SlotChange& change) = 0;
    virtual void ModeChanged(int slot, std::string_view old_mode, std::string_view new_mode,
                             int switch_position, ChangeSource source) = 0;
    // "Math Expression" (Check1) and "Global Key" (Check2).
    virtual void SwitchChanged(std::string_view name, int value, ChangeSource source) = 0;
    virtual void OutputWritten(const OutputWrite& write) = 0;
    virtual void AudioAlarmChanged(bool sounding) = 0;
    // The e-mail agent was started (or could not be: `error`) with this event word and message.
    virtual void AgentLaunched(std::string_view event_word, std::string_view message,
                               std::string_view error) = 0;
    virtual void AgentExited(std::string_view event_word, bool exited, int status,
                             std::string_view outcome) = 0;
    virtual void HostExited() = 0;
    // Scan ticks took longer than the period: `ticks` of them in the last minute, the longest
    // `worst_ms`. Said at most once a second.
    virtual void CycleOverran(int /*ticks*/, double /*worst_ms*/) {}
    // A latched slot was acknowledged.
    virtual void Acknowledged(int /*slot*/, AckSource /*source*/) {}
};

// Hands every event to each of several sinks: the log file, a console, a replay's summary.
class EventFanOut final : public EventSink {
public:
    void Add(EventSink* sink) { sinks_.push_back(sink); }

    void TickStarted(std::uint64_t tick) override {
        for (EventSink* sink : sinks_) sink->TickStarted(tick);
    }
    void Idle() override {
        for (EventSink* sink : sinks_) sink->Idle();
    }
    void RunStarted() override {
        for (EventSink* sink : sinks_) sink->RunStarted();
    }
    void RunResumed() override {
        for (EventSink* sink : sinks_) sink->RunResumed();
    }
    void RunStopped(std::string_view reason) override {
        for (EventSink* sink : sinks_) sink->RunStopped(reason);
    }
    void SlotChanged(const SlotChange& change) override {
        for (EventSink* sink : sinks_) sink->SlotChanged(change);
    }
    void ModeChanged(int slot, std::string_view old_mode, std::string_view new_mode,
                     int switch_position, ChangeSource source) override {
        for (EventSink* sink : sinks_)
            sink->ModeChanged(slot, old_mode, new_mode, switch_position, source);
    }
    void SwitchChanged(std::string_view name, int value, ChangeSource source) override {
        for (EventSink* sink : sinks_) sink->SwitchChanged(name, value, source);
    }
    void OutputWritten(const OutputWrite& write) override {
        for (EventSink* sink : sinks_) sink->OutputWritten(write);
    }
    void AudioAlarmChanged(bool sounding) override {
        for (EventSink* sink : sinks_) sink->AudioAlarmChanged(sounding);
    }
    void AgentLaunched(std::string_view event_word, std::string_view message,
                       std::string_view error) override {
        for (EventSink* sink : sinks_) sink->AgentLaunched(event_word, message, error);
    }
    void AgentExited(std::string_view event_word, bool exited, int status,
                     std::string_view outcome) override {
        for (EventSink* sink : sinks_) sink->AgentExited(event_word, exited, status, outcome);
    }
    void HostExited() override {
        for (EventSink* sink : sinks_) sink->HostExited();
    }
    void CycleOverran(int ticks, double worst_ms) override {
        for (EventSink* sink : sinks_) sink->CycleOverran(ticks, worst_ms);
    }
    void Acknowledged(int slot, AckSource source) override {
        for (EventSink* sink : sinks_) sink->Acknowledged(slot, source);
    }

private:
    std::vector<EventSink*> sinks_;
};

// For an Application nobody listens to, and a base for listeners that want only a few events.
class NoEventSink : public EventSink {
public:
    void TickStarted(std::uint64_t) override {}
    void RunStarted() override {}
    void RunStopped(std::string_view) override {}
    void SlotChanged(const SlotChange&) override {}
    void ModeChanged(int, std::string_view, std::string_view, int, ChangeSource) override {}
    void SwitchChanged(std::string_view, int, ChangeSource) override {}
    void OutputWritten(const OutputWrite&) override {}
    void AudioAlarmChanged(bool) override {}
    void AgentLaunched(std::string_view, std::string_view, std::string_view) override {}
    void AgentExited(std::string_view, bool, int, std::string_view) override {}
    void HostExited() override {}
};

}  // namespace quillon
