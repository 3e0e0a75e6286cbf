// SPDX-License-Identifier: MIT
#pragma once

namespace quillon {

class HostControl;
class ProfileStore;
class Prompter;
class Locale;
class Clock;
class SoundPlayer;
class ProcessLauncher;
class KeyState;

// The platform the application runs on; every reference outlives the Application.
struct Ports {
    HostControl& host;
    ProfileStore& profiles;
    Prompter& prompter;
    Locale& locale;
    Clock& clock;
    SoundPlayer& sound;
    ProcessLauncher& launcher;
    KeyState& keys;
};

}  // namespace quillon
