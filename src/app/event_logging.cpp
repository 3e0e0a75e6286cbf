// SPDX-License-Identifier: MIT
#include "app/event_logging.hpp"

#include "events/rotating_event_file.hpp"

namespace quillon {

EventLogging::EventLogging(Addon& addon, Clock& clock, std::filesystem::path folder)
    : addon_(addon),
      folder_(std::move(folder)),
      log_(clock, [&addon](const std::string& problem) { addon.GetPanel().SetStatus(problem); }) {
    log_.FollowInstanceName(addon_.GetInstanceFacts().host_id);
    fan_out_.Add(&log_);
    addon_.SetEventSink(&fan_out_);
}

EventLogging::~EventLogging() {
    addon_.SetEventSink(nullptr);
    log_.Flush();
}

std::filesystem::path EventLogging::DefaultEventFolderForLog() {
    return DefaultEventFolder();
}

std::filesystem::path EventLogging::InstanceFile() const {
    return folder_ / EventFileName(addon_.GetInstanceFacts().host_id);
}

void EventLogging::AttachInstanceFile() {
    log_.AttachFile(std::make_unique<RotatingEventFile>(InstanceFile()));
}

}  // namespace quillon
