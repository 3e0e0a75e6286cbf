// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>

#include "app/application.hpp"
#include "events/event_log.hpp"

namespace quillon {

// A live run's event log: every event of the Application goes to the instance's file under the
// state folder ($XDG_STATE_HOME/quillon/events/HOSTID.jsonl), and to any further sink a front
// end adds (the console's JSON lines). A file that cannot be written shows in the status.
class EventLogging {
public:
    EventLogging(Application& application, Clock& clock,
                 std::filesystem::path folder = DefaultEventFolderForLog());
    ~EventLogging();
    EventLogging(const EventLogging&) = delete;
    EventLogging& operator=(const EventLogging&) = delete;

    // Before Load.
    void AddSink(EventSink* sink) { fan_out_.Add(sink); }
    // After Load, once the instance's name is known: the lines so far go to its file.
    void AttachInstanceFile();
    // Where the instance's lines go.
    std::filesystem::path InstanceFile() const;

    EventLog& Log() { return log_; }

private:
    static std::filesystem::path DefaultEventFolderForLog();

    Application& application_;
    std::filesystem::path folder_;
    EventLog log_;
    EventFanOut fan_out_;
};

}  // namespace quillon
