// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "case_name.hpp"
#include "platform/win32/win32_clock.hpp"
#include "platform/win32/win32_locale.hpp"
#include "platform/win32/win32_process_launcher.hpp"
#include "platform/win32/win32_profile_store.hpp"

namespace quillon::testing {
namespace {

struct CommandLineCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string line;
};

const CommandLineCase kCommandLines[] = {
    {"AgentAlarmAsItsOwnLine",
     {"Global", "Norvane", "Alarm@Line_3", "12-08-202614:05:07<br>D0_on"},
     "Pellomar.exe Global Norvane Alarm@Line_3 12-08-202614:05:07<br>D0_on"},
    {"AgentWithoutSender",
     {"Global", "Norvane", "WinDaq_Exits", "x"},
     "Pellomar.exe Global Norvane WinDaq_Exits x"},
    {"BlankInAWordIsQuoted", {"two words"}, "Pellomar.exe \"two words\""},
    {"EmptyWordIsKept", {""}, "Pellomar.exe \"\""},
    {"QuoteAndBackslashes", {"a\\\"b", "c\\"}, "Pellomar.exe \"a\\\\\\\"b\" c\\"},
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, IsTheAgentsLineAndReadsBackAsTheSameWords) {
    const std::string line =
        Win32ProcessLauncher::CommandLine("Pellomar.exe", GetParam().arguments);
    EXPECT_EQ(line, GetParam().line);
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(std::wstring(line.begin(), line.end()).c_str(), &count);
    ASSERT_EQ(count, static_cast<int>(GetParam().arguments.size()) + 1);
    for (int i = 1; i < count; ++i) {
        const std::wstring word = words[i];
        EXPECT_EQ(std::string(word.begin(), word.end()), GetParam().arguments[i - 1]);
    }
    ::LocalFree(words);
}

INSTANTIATE_TEST_SUITE_P(Words, CommandLineTest, ::testing::ValuesIn(kCommandLines),
                         [](const auto& info) { return CaseName(info.param.name); });

std::string WaitForFile(const std::filesystem::path& path) {
    for (int i = 0; i < 200 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Win32ProcessLauncherTest, StartsTheAgentFoundBesideTheProgramWithoutWaiting) {
    const auto log = std::filesystem::temp_directory_path() / "quillon-launch-test.log";
    std::filesystem::remove(log);
    ::SetEnvironmentVariableA("QUILLON_STAND_IN_LOG", log.string().c_str());
    Win32ProcessLauncher launcher;
    std::string error;
    ASSERT_TRUE(launcher.Launch("Pellomar.exe", {"Global", "Norvane", "Alarm", "m<br>"}, error))
        << error;
    EXPECT_EQ(WaitForFile(log), "Pellomar.exe Global Norvane Alarm m<br>\n");
    EXPECT_TRUE(launcher.TakeFinished().empty());
    std::filesystem::remove(log);
}

TEST(Win32ProcessLauncherTest, AMissingProgramIsReportedInWords) {
    Win32ProcessLauncher launcher;
    std::string error;
    EXPECT_FALSE(launcher.Launch("NoSuchAgent.exe", {"x"}, error));
    EXPECT_THAT(error, ::testing::StartsWith("cannot start NoSuchAgent.exe: "));
    EXPECT_GT(error.size(), std::string("cannot start NoSuchAgent.exe: ").size());
}

TEST(Win32ProfileStoreTest, BareNamesLiveInTheWindowsFolder) {
    Win32ProfileStore store;
    ASSERT_TRUE(store.Write("QuillonBareName.ini", "Lab1", "Key", "value"));
    char windows[MAX_PATH];
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::filesystem::path expected = std::filesystem::path(windows) / "QuillonBareName.ini";
    EXPECT_EQ(std::filesystem::path(store.PathOf("QuillonBareName.ini")), expected);
    EXPECT_TRUE(std::filesystem::exists(expected));
    EXPECT_EQ(store.Read("QuillonBareName.ini", "lab1", "KEY", "none"), "value");
    std::filesystem::remove(expected);
}

TEST(Win32ProfileStoreTest, ARefusedWriteSaysWhichFileAndWhy) {
    Win32ProfileStore store("Z:\\no\\such\\folder");
    EXPECT_FALSE(store.Write("NorvaneAlarm.ini", "Lab1", "Key", "value"));
    EXPECT_THAT(store.LastError(),
                ::testing::StartsWith("cannot write Z:\\no\\such\\folder\\NorvaneAlarm.ini: "));
}

TEST(Win32LocaleTest, GeneralNumbersUseTheUsersSeparator) {
    Win32Locale locale;
    const std::string separator(1, Win32Locale::UserDecimalSeparator());
    EXPECT_EQ(locale.FormatGeneral(2.5), "2" + separator + "5");
    EXPECT_EQ(locale.FormatGeneral(1e-7), "1E-07");
}

bool timer_fired = false;

void CALLBACK NoteTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    timer_fired = true;
}

TEST(Win32ClockTest, DispatchesWindowMessagesWhileItSleeps) {
    Win32Clock clock;
    timer_fired = false;
    ::SetTimer(nullptr, 0, 1, NoteTimer);
    clock.SleepUntil(clock.Monotonic() + std::chrono::milliseconds(100));
    EXPECT_TRUE(timer_fired);
}

}  // namespace
}  // namespace quillon::testing
