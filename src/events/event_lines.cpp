// SPDX-License-Identifier: MIT
#include "events/event_lines.hpp"

#include "events/iso_time.hpp"

namespace quillon {

EventLines::EventLines(Clock& clock) : clock_(clock), start_(clock.Monotonic()) {}

JsonLine EventLines::Begin(std::string_view event) {
    line_.clear();
    JsonLine line(line_);
    const double seconds =
        t_origin_ + std::chrono::duration<double>(clock_.Monotonic() - start_).count();
    line.Text("time", time_text_.Format(clock_.WallTime()));
    if (instance_ != nullptr) {
        line.Text("instance", *instance_);
    }
    line.Fixed("t", seconds, 3)
        .Integer("tick", static_cast<std::int64_t>(tick_))
        .Text("event", event);
    return line;
}

void EventLines::Finish(JsonLine& line) {
    line.End();
    Emit(line_);
}

void EventLines::RunStarted() {
    JsonLine line = Begin("run_start");
    Finish(line);
}

void EventLines::RunResumed() {
    JsonLine line = Begin("run_start");
    line.Boolean("resumed", true);
    Finish(line);
}

void EventLines::RunStopped(std::string_view reason) {
    JsonLine line = Begin("run_stop");
    line.Text("reason", reason.empty() ? "operator" : reason);
    Finish(line);
}

void EventLines::SlotChanged(const SlotChange& change) {
    JsonLine line = Begin("slot");
    line.Integer("slot", change.slot)
        .Text("mode", change.mode)
        .Text("old", change.old_state)
        .Text("new", change.new_state);
    if (change.trace) {
        line.Text("equation", change.trace->equation)
            .Text("substituted", change.trace->substituted)
            .Number("value", change.trace->value);
    }
    Finish(line);
}

void EventLines::ModeChanged(int slot, std::string_view old_mode, std::string_view new_mode,
                             int switch_position, ChangeSource source) {
    JsonLine line = Begin("mode");
    line.Integer("slot", slot)
        .Text("old", old_mode)
        .Text("new", new_mode)
        .Integer("switch", switch_position)
        .Text("source", ChangeSourceName(source));
    Finish(line);
}

void EventLines::SwitchChanged(std::string_view name, int value, ChangeSource source) {
    JsonLine line = Begin("switch");
    line.Text("name", name).Integer("value", value).Text("source", ChangeSourceName(source));
    Finish(line);
}

void EventLines::OutputWritten(const OutputWrite& write) {
    JsonLine line = Begin("output");
    line.Integer("word", write.word)
        .Text("layout", write.high_byte_layout ? "high byte" : "low byte")
        .Boolean("forced", write.forced)
        .Boolean("manual", write.manual)
        .Boolean("written", write.error.empty());
    if (!write.error.empty()) {
        line.Text("error", write.error);
    }
    Finish(line);
}

void EventLines::AudioAlarmChanged(bool sounding) {
    JsonLine line = Begin(sounding ? "alarm_start" : "alarm_stop");
    Finish(line);
}

void EventLines::AgentLaunched(std::string_view event_word, std::string_view message,
                               std::string_view error) {
    JsonLine line = Begin("agent_launch");
    line.Text("event_word", event_word).Text("message", message).Boolean("started", error.empty());
    if (!error.empty()) {
        line.Text("error", error);
    }
    Finish(line);
}

void EventLines::AgentExited(std::string_view event_word, bool exited, int status,
                             std::string_view outcome) {
    JsonLine line = Begin("agent_exit");
    line.Text("event_word", event_word)
        .Boolean("exited", exited)
        .Integer(exited ? "status" : "signal", status)
        .Text("outcome", outcome);
    Finish(line);
}

void EventLines::HostExited() {
    JsonLine line = Begin("host_exit");
    Finish(line);
}

void EventLines::Acknowledged(int slot, AckSource source) {
    JsonLine line = Begin("ack");
    line.Integer("slot", slot).Text("source", AckSourceName(source));
    Finish(line);
}

void EventLines::CycleOverran(int ticks, double worst_ms) {
    JsonLine line = Begin("cycle_overrun");
    line.Integer("ticks_last_minute", ticks).Fixed("worst_ms", worst_ms, 1);
    Finish(line);
}

}  // namespace quillon
