// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/file_profile_store.hpp"
#include "platform/linux/posix_process_launcher.hpp"
#include "platform/platform.hpp"
#include "platform/std_clock.hpp"
#include "platform/std_locale.hpp"

namespace quillon {

// The shared adapters on Linux: settings files under the profile directory, the environment's
// locale, the system clock, agents started with posix_spawn.
class LinuxPlatform final : public Platform {
public:
    LinuxPlatform();

    ProfileStore& Profiles() override { return profiles_; }
    Locale& UserLocale() override { return locale_; }
    Clock& SystemClock() override { return clock_; }
    ProcessLauncher& Launcher() override { return launcher_; }
    void Service() override { launcher_.ReapFinished(); }
    std::string ProfilePath(const std::string& file) const override;
    std::unique_ptr<ProfileStore> ProfilesIn(const std::string& folder) const override {
        return std::make_unique<FileProfileStore>(folder);
    }

private:
    FileProfileStore profiles_;
    StdLocale locale_;
    StdClock clock_;
    PosixProcessLauncher launcher_;
};

}  // namespace quillon
