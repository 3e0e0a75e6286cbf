// SPDX-License-Identifier: MIT
#include "ui/headless/console_sound_player.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "case_name.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

using namespace std::chrono;

struct PlayCase {
    const char* path;  // "@" stands for an existing file
    std::int16_t flags;
    const char* heard;
};

class ConsoleSoundPlayerTest : public ::testing::TestWithParam<PlayCase> {};

TEST_P(ConsoleSoundPlayerTest, PrintsATimestampedLine) {
    setenv("TZ", "UTC", 1);
    tzset();
    testing::TempDirectory directory;
    testing::FakeClock clock;
    clock.wall = sys_days{year{2026} / 12 / 8} + hours{5} + minutes{40} + milliseconds{1123};
    std::ostringstream out;
    ConsoleSoundPlayer player(out, clock);
    const std::string path =
        GetParam().path[0] == '@' ? directory.Write("a.wav", "RIFF") : GetParam().path;
    player.Play(path, GetParam().flags);
    EXPECT_EQ(out.str(), "2026-12-08 05:40:01.123 sound \"" + path + "\" flags " +
                             std::to_string(GetParam().flags) + ": " + GetParam().heard + "\n");
}

INSTANTIATE_TEST_SUITE_P(Paths, ConsoleSoundPlayerTest,
                         ::testing::Values(PlayCase{"c:\\windows\\media\\ding.wav", 3, "the bell"},
                                           PlayCase{"/no/such.wav", 3, "silence (no such file)"},
                                           PlayCase{"/no/such.wav", 1, "the bell"},
                                           PlayCase{"@", 3, "the file"}),
                         [](const auto& info) {
                             return testing::CaseName(info.param.path, info.param.flags);
                         });

}  // namespace
}  // namespace quillon
