// SPDX-License-Identifier: MIT
#include "ui/qt/qt_sound_player.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes/temp_directory.hpp"
#include "utility/ding_wave.hpp"

namespace quillon {
namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lets queued work run, as the event loop would between scan ticks.
void RunEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

class QtSoundPlayerTest : public ::testing::Test {
protected:
    testing::TempDirectory directory;
    QtSoundPlayer player;
};

TEST_F(QtSoundPlayerTest, AMissingWindowsPathPlaysTheBell) {
    player.Play("c:\\windows\\media\\ding.wav", 3);
    ASSERT_FALSE(player.LastSource().empty());
    EXPECT_EQ(ReadBytes(player.LastSource()), DingWave());
    RunEventsFor(50);
}

TEST_F(QtSoundPlayerTest, AnotherMissingFileIsSilentWithoutTheDefaultSound) {
    player.Play((directory.Path() / "missing.wav").string(), 3);
    EXPECT_TRUE(player.LastSource().empty());
}

TEST_F(QtSoundPlayerTest, AnotherMissingFilePlaysTheBellAsTheDefaultSound) {
    player.Play((directory.Path() / "missing.wav").string(), 1);
    EXPECT_FALSE(player.LastSource().empty());
}

TEST_F(QtSoundPlayerTest, AnExistingFilePlaysItself) {
    const std::vector<std::uint8_t> wave = DingWave();
    const std::string path = directory.Write("alarm.wav", std::string(wave.begin(), wave.end()));
    player.Play(path, 3);
    EXPECT_EQ(player.LastSource(), path);
    RunEventsFor(50);
}

TEST_F(QtSoundPlayerTest, RepeatedPlaysReplaceEachOther) {
    for (int i = 0; i < 20; ++i) {
        player.Play(i % 2 == 0 ? "c:\\windows\\media\\ding.wav" : "/no/such.wav", 3);
        QCoreApplication::processEvents();
    }
    RunEventsFor(50);
    EXPECT_TRUE(player.LastSource().empty());
}

TEST_F(QtSoundPlayerTest, TheBellFileGoesWithThePlayer) {
    std::string bell;
    {
        QtSoundPlayer own;
        own.Play("c:\\windows\\media\\ding.wav", 3);
        bell = own.LastSource();
        EXPECT_TRUE(std::filesystem::exists(bell));
    }
    EXPECT_FALSE(std::filesystem::exists(bell));
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
