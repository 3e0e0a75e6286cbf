// SPDX-License-Identifier: MIT
#include "app/run_resumption.hpp"

#include <cmath>

#include "control/agent_command.hpp"
#include "platform/local_time.hpp"
#include "utility/seconds_duration.hpp"

namespace quillon {
namespace {

std::string WholeSeconds(std::chrono::steady_clock::duration duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) +
           " s";
}

}  // namespace

RunResumption::RunResumption(Application& application, HostConnection& host, Clock& clock,
                             std::optional<Duration> resume_after)
    : application_(application), host_(host), clock_(clock), resume_after_(resume_after) {}

void RunResumption::Service() {
    const Time now = clock_.Monotonic();
    const bool running = application_.GetPanel().ScanTimerEnabled();
    if (running || application_.GetRunState().stop_cause == StopCause::Operator) {
        stopped_at_.reset();  // going, or the operator's stop: nothing to tell or resume
        stop_notice_sent_ = false;
        return;
    }
    if (!stopped_at_) {
        NoteStop(now);
    }
    SendStopNoticeWhenDue(now);
    if (resume_after_ && application_.StoppedByHostFailure()) {
        TryResume(now);
    }
}

void RunResumption::NoteStop(Time now) {
    stopped_at_ = now;
    last_try_ = now;
    stop_reason_ = application_.GetPanel().Status();
}

void RunResumption::SendStopNoticeWhenDue(Time now) {
    const std::int32_t after = application_.GetOperatorSettings().stop_email_after;
    if (after <= 0 || stop_notice_sent_ || now - *stopped_at_ < SecondsToDuration(after)) {
        return;
    }
    stop_notice_sent_ = true;
    application_.SendRunNotice(
        kRunStoppedEvent,
        "The run has been stopped for " + WholeSeconds(now - *stopped_at_) + ": " + stop_reason_);
}

// Start is tried once the host answers, and not more often than the interval: a Start that
// fails all the same waits for the next one.
void RunResumption::TryResume(Time now) {
    if (now - last_try_ < *resume_after_ || !host_.Answering()) {
        return;
    }
    last_try_ = now;
    if (!application_.ResumeRun()) {
        return;
    }
    const std::string resumed = "Resumed at " + WallTime() + " after " +
                                WholeSeconds(now - *stopped_at_) + " stopped (" + stop_reason_ +
                                ")";
    application_.GetPanel().SetStatus(resumed);
    if (stop_notice_sent_) {
        application_.SendRunNotice(kRunResumedEvent, resumed);
    }
    stopped_at_.reset();
    stop_notice_sent_ = false;
}

std::string RunResumption::WallTime() {
    return LocalTimeText(clock_.WallTime(), "%H:%M:%S");
}

}  // namespace quillon
