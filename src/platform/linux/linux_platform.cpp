// SPDX-License-Identifier: MIT
#include "platform/linux/linux_platform.hpp"

#include "platform/linux/profile_directory.hpp"
#include "platform/linux/standard_descriptors.hpp"
#include "platform/linux/stop_signals.hpp"
#include "platform/mail_agent_program.hpp"

namespace quillon {

// Resolved by the launcher: QUILLON_PELLOMAR, beside Quillon, or on the PATH.
const char kMailAgentProgram[] = "pellomar";

LinuxPlatform::LinuxPlatform() : profiles_(ProfileDirectory()) {}

std::string LinuxPlatform::ProfilePath(const std::string& file) const {
    return profiles_.PathOf(file).string();
}

void PrepareProcess() {
    OpenMissingStandardDescriptors();
    StopSignals::Install();
}

const std::atomic<bool>& StopRequested() {
    return StopSignals::Requested();
}

std::string StopReason() {
    return StopSignals::Describe(StopSignals::Received());
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace quillon
