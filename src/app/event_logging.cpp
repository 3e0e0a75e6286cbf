// SPDX-License-Identifier: MIT
#include "app/event_logging.hpp"

#include "events/rotating_event_file.hpp"

namespace quillon {

EventLogging::EventLogging(Application& application, Clock& clock, std::filesystem::path folder)
    : application_(application),
      folder_(std::move(folder)),
      log_(clock, [&application](const std::string& problem) {
          application.GetPanel().SetStatus(problem);
      }) {
    log_.FollowInstanceName(application_.GetInstanceFacts().host_id);
    fan_out_.Add(&log_);
    application_.SetEventSink(&fan_out_);
}

EventLogging::~EventLogging() {
    application_.SetEventSink(nullptr);
    log_.Flush();
}

std::filesystem::path EventLogging::DefaultEventFolderForLog() {
    return DefaultEventFolder();
}

std::filesystem::path EventLogging::InstanceFile() const {
    return folder_ / EventFileName(application_.GetInstanceFacts().host_id);
}

void EventLogging::AttachInstanceFile() {
    log_.AttachFile(std::make_unique<RotatingEventFile>(InstanceFile()));
}

}  // namespace quillon
