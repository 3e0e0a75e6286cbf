// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "app/application.hpp"
#include "host/host_connection.hpp"
#include "platform/clock.hpp"

namespace quillon {

// What happens after a run stops by itself. With a resume interval, a run that the host's
// failure stopped is started again once the host answers, at most once per interval, and the
// status says so; a run an equation stopped stays stopped, as it would fail the same way.
// With StopEmailAfter, a run that stays stopped by itself that long sends one stop notice, and
// its resumption one more. Called between ticks; never blocks.
class RunResumption {
public:
    using Duration = std::chrono::steady_clock::duration;

    RunResumption(Application& application, HostConnection& host, Clock& clock,
                  std::optional<Duration> resume_after);

    void Service();

private:
    using Time = std::chrono::steady_clock::time_point;

    void NoteStop(Time now);
    void SendStopNoticeWhenDue(Time now);
    void TryResume(Time now);
    std::string WallTime();

    Application& application_;
    HostConnection& host_;
    Clock& clock_;
    std::optional<Duration> resume_after_;
    std::optional<Time> stopped_at_;  // the run is stopped by itself since
    std::string stop_reason_;
    Time last_try_{};
    bool stop_notice_sent_ = false;
};

}  // namespace quillon
