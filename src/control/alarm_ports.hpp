// SPDX-License-Identifier: MIT
#pragma once

#include "host/host_control.hpp"
#include "platform/clock.hpp"
#include "platform/locale.hpp"
#include "platform/process_launcher.hpp"
#include "platform/sound_player.hpp"

namespace quillon {

// What the alarms reach outside Quillon; every reference outlives the Alarms.
struct AlarmPorts {
    HostControl& host;
    SoundPlayer& sound;
    ProcessLauncher& launcher;
    Locale& locale;
    Clock& clock;
};

}  // namespace quillon
