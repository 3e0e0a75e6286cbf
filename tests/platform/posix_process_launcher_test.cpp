// SPDX-License-Identifier: MIT
#include "platform/linux/posix_process_launcher.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "fakes/hung_agents.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon {
namespace {

// The stand-in agent: the child records its arguments, each ended by a NUL byte (an argument
// may hold line feeds), and its standard input, then renames the record into place.
constexpr char kAgentScript[] =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$@\" > \"$0.tmp\"\n"
    "readlink /proc/$$/fd/0 > \"$0.stdin\"\n"
    "mv \"$0.tmp\" \"$0.args\"\n";

// Real processes end when they end: wait for them, but not forever.
constexpr auto kPatience = std::chrono::seconds(30);

bool WaitUntil(const std::function<bool()>& done) {
    const auto give_up = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end = text.find('\0'); end != std::string::npos;
         end = text.find('\0', start)) {
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Children of this process that have ended and not been collected.
int ZombieChildren() {
    int zombies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string stat = ReadFile((entry.path() / "stat").string());
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 2));
        char state = 0;
        int parent = 0;
        fields >> state >> parent;
        zombies += (state == 'Z' && parent == getpid()) ? 1 : 0;
    }
    return zombies;
}

class PosixProcessLauncherTest : public ::testing::Test {
protected:
    PosixProcessLauncherTest() : agent(directory.Write("pellomar", kAgentScript, 0755)) {}

    PosixProcessLauncher Launcher() {
        return PosixProcessLauncher(ProgramLocator(
            [](const char*) -> const char* { return nullptr; }, directory.Path().string()));
    }

    std::vector<std::string> RecordedArguments() {
        EXPECT_TRUE(WaitUntil([this] { return std::filesystem::exists(agent + ".args"); }));
        return SplitAtNul(ReadFile(agent + ".args"));
    }

    testing::TempDirectory directory;
    std::string agent;
    std::string error;
};

TEST_F(PosixProcessLauncherTest, PassesEveryArgumentExactlyAsGiven) {
    const std::vector<std::string> arguments = {
        "Global",
        "Norvane",
        "Alarm@Line_3",
        "14:03:07<br>a b  \"quoted\" 'single' $(x) `y` $HOME ; | & > * ? \\ <br>\nnext\tline\n",
        "",
        "-n",
        "--",
        "*"};
    PosixProcessLauncher launcher = Launcher();
    ASSERT_TRUE(launcher.Launch("pellomar", arguments, error)) << error;
    EXPECT_EQ(RecordedArguments(), arguments);
    EXPECT_EQ(ReadFile(agent + ".stdin"), "/dev/null\n");
}

TEST_F(PosixProcessLauncherTest, ReapsItsChildren) {
    PosixProcessLauncher launcher = Launcher();
    ASSERT_TRUE(launcher.Launch("pellomar", {"first"}, error)) << error;
    EXPECT_EQ(RecordedArguments(), std::vector<std::string>{"first"});
    std::filesystem::remove(agent + ".args");
    ASSERT_TRUE(launcher.Launch("pellomar", {"second"}, error)) << error;
    EXPECT_EQ(RecordedArguments(), std::vector<std::string>{"second"});
    EXPECT_TRUE(WaitUntil([&launcher] {
        launcher.ReapFinished();
        return launcher.Unreaped() == 0;
    }));
    EXPECT_EQ(ZombieChildren(), 0);
}

TEST_F(PosixProcessLauncherTest, TellsEachEndedChildOnceWithItsExitStatus) {
    const std::string failing = directory.Write("failing", "#!/bin/sh\nexit 3\n", 0755);
    PosixProcessLauncher launcher = Launcher();
    ASSERT_TRUE(launcher.Launch(failing, {"Global", "Norvane", "Alarm"}, error)) << error;
    std::vector<FinishedProcess> finished;
    EXPECT_TRUE(WaitUntil([&] {
        for (FinishedProcess& process : launcher.TakeFinished()) {
            finished.push_back(std::move(process));
        }
        return !finished.empty();
    }));
    ASSERT_EQ(finished.size(), 1U);
    EXPECT_EQ(finished[0].program, failing);
    EXPECT_EQ(finished[0].arguments, (std::vector<std::string>{"Global", "Norvane", "Alarm"}));
    EXPECT_TRUE(finished[0].exited);
    EXPECT_EQ(finished[0].status, 3);
    EXPECT_TRUE(launcher.TakeFinished().empty());
}

TEST_F(PosixProcessLauncherTest, RunsAtMostTheCapAtOnce) {
    const testing::HungAgents hung(directory, "hung");
    PosixProcessLauncher launcher = Launcher();
    for (std::size_t i = 0; i < PosixProcessLauncher::kMaxRunning; ++i) {
        ASSERT_TRUE(launcher.Launch(hung.Program(), {}, error)) << error;
    }
    EXPECT_FALSE(launcher.Launch(hung.Program(), {}, error));
    EXPECT_EQ(error, "The program " + hung.Program() +
                         " was not started: the 16 started before it are still running (at most "
                         "16 run at once)");
    ASSERT_EQ(hung.WaitForStarted(16), 16U);
    kill(hung.Started().front(), SIGKILL);
    EXPECT_TRUE(WaitUntil([&launcher] {
        launcher.ReapFinished();
        return launcher.Unreaped() == 15;
    }));
    EXPECT_TRUE(launcher.Launch(hung.Program(), {}, error)) << error;
    EXPECT_EQ(launcher.Unreaped(), 16U);
    EXPECT_EQ(hung.WaitForStarted(17), 17U);  // so that the last one is killed too
}

TEST_F(PosixProcessLauncherTest, FindsTheAgentThroughTheVariable) {
    const std::string elsewhere = directory.Write("agent-elsewhere", kAgentScript, 0755);
    setenv("QUILLON_PELLOMAR", elsewhere.c_str(), 1);
    PosixProcessLauncher launcher;
    const bool launched = launcher.Launch("pellomar", {"via variable"}, error);
    unsetenv("QUILLON_PELLOMAR");
    ASSERT_TRUE(launched) << error;
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(elsewhere + ".args"); }));
    EXPECT_EQ(SplitAtNul(ReadFile(elsewhere + ".args")), std::vector<std::string>{"via variable"});
}

TEST_F(PosixProcessLauncherTest, AMissingAgentIsReported) {
    std::filesystem::remove(agent);
    PosixProcessLauncher launcher = Launcher();
    EXPECT_FALSE(launcher.Launch("pellomar", {"x"}, error));
    EXPECT_NE(error.find("The program pellomar was not found"), std::string::npos) << error;
    EXPECT_EQ(launcher.Unreaped(), 0U);
}

TEST_F(PosixProcessLauncherTest, AFailedSpawnIsReported) {
    const std::string broken = directory.Write("broken", "#!/no/such/interpreter\n", 0755);
    PosixProcessLauncher launcher = Launcher();
    EXPECT_FALSE(launcher.Launch(broken, {}, error));
    EXPECT_EQ(error,
              "The program \"" + broken + "\" could not be started: No such file or directory");
    EXPECT_EQ(launcher.Unreaped(), 0U);
}

}  // namespace
}  // namespace quillon
