// SPDX-License-Identifier: MIT
#pragma once

#include "app/ports.hpp"
#include "fakes/fake_key_state.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "fakes/recording_launcher.hpp"
#include "fakes/recording_sound_player.hpp"

namespace quillon::testing {

// Every port but the host, as fakes, for tests that run a whole Application.
struct FakePorts {
    MemoryProfileStore profiles;
    FakePrompter prompter;
    FakeLocale locale;
    FakeClock clock;
    RecordingSoundPlayer sound;
    RecordingLauncher launcher;
    FakeKeyState keys;

    Ports With(HostControl& host) { return With(host, launcher); }
    Ports With(HostControl& host, ProcessLauncher& real_launcher) {
        return Ports{host, profiles, prompter, locale, clock, sound, real_launcher, keys};
    }
    void StoreSettings(const std::string& section_lines) {
        profiles.files["NorvaneAlarm.ini"] = "[Quillon]\n" + section_lines;
    }
};

}  // namespace quillon::testing
