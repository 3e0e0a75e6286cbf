// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include "app/application.hpp"
#include "fakes/fake_key_state.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "fakes/recording_host.hpp"
#include "fakes/recording_launcher.hpp"
#include "fakes/recording_sound_player.hpp"

namespace quillon::testing {

// Logs profile reads into the host's call list, so that one list shows the whole order.
class LoggingProfileStore final : public ProfileStore {
public:
    LoggingProfileStore(ProfileStore& inner, std::vector<std::string>& log)
        : inner_(inner), log_(log) {}
    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override {
        log_.push_back("read:" + key);
        return inner_.Read(file, section, key, fallback);
    }
    bool Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override {
        return inner_.Write(file, section, key, value);
    }
    bool WriteSection(const std::string& file, const std::string& section,
                      const ProfileValues& values) override {
        return inner_.WriteSection(file, section, values);
    }
    void RequireReadable(const std::string& file) override { inner_.RequireReadable(file); }
    std::string LastError() const override { return inner_.LastError(); }

private:
    ProfileStore& inner_;
    std::vector<std::string>& log_;
};

class StartupFixture : public ::testing::Test {
protected:
    std::string Settings() { return store.files["NorvaneAlarm.ini"]; }

    RecordingHost host;
    MemoryProfileStore store;
    LoggingProfileStore profiles{store, host.calls};
    FakePrompter prompter;
    FakeLocale locale;
    FakeClock clock;
    RecordingSoundPlayer sound;
    RecordingLauncher launcher;
    FakeKeyState keys;
    Application application{Ports{host, profiles, prompter, locale, clock, sound, launcher, keys}};
    Panel& panel = application.GetPanel();
};

}  // namespace quillon::testing
