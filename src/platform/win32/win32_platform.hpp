// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform.hpp"
#include "platform/win32/win32_clock.hpp"
#include "platform/win32/win32_locale.hpp"
#include "platform/win32/win32_process_launcher.hpp"
#include "platform/win32/win32_profile_store.hpp"

namespace quillon {

class Win32Platform final : public Platform {
public:
    ProfileStore& Profiles() override { return profiles_; }
    Locale& UserLocale() override { return locale_; }
    Clock& SystemClock() override { return clock_; }
    ProcessLauncher& Launcher() override { return launcher_; }
    void Service() override {}
    std::string ProfilePath(const std::string& file) const override {
        return profiles_.PathOf(file);
    }
    std::unique_ptr<ProfileStore> ProfilesIn(const std::string& folder) const override {
        return std::make_unique<Win32ProfileStore>(folder);
    }

private:
    Win32ProfileStore profiles_;
    Win32Locale locale_;
    Win32Clock clock_;
    Win32ProcessLauncher launcher_;
};

}  // namespace quillon
