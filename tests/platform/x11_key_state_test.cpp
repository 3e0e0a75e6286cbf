// SPDX-License-Identifier: MIT
#include "platform/linux/x11_key_state.hpp"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "app/application.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "fakes/recording_host.hpp"
#include "fakes/recording_launcher.hpp"
#include "fakes/recording_sound_player.hpp"

extern char** environ;

namespace quillon {
namespace {

// The program's path when it is installed somewhere on PATH.
std::optional<std::string> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(directory) / program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

std::vector<char*> Argv(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// Runs a program to its end with DISPLAY set; its exit status.
int RunWithDisplay(const std::string& program, std::vector<std::string> words,
                   const std::string& display) {
    std::vector<std::string> environment = {"DISPLAY=" + display};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::string(*variable).rfind("DISPLAY=", 0) != 0) {
            environment.emplace_back(*variable);
        }
    }
    words.insert(words.begin(), program);
    std::vector<char*> argv = Argv(words);
    std::vector<char*> envp = Argv(environment);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An Xvfb of the test's own; the server picks a free display number and reports it on a pipe
// once it accepts clients.
class XvfbServer {
public:
    explicit XvfbServer(const std::string& program) {
        int pipe_ends[2];
        if (pipe(pipe_ends) != 0) {
            return;
        }
        std::vector<std::string> words = {program,     "-displayfd", std::to_string(pipe_ends[1]),
                                          "-nolisten", "tcp",        "-screen",
                                          "0",         "320x240x24"};
        std::vector<char*> argv = Argv(words);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
        const bool started =
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(pipe_ends[1]);
        if (started) {
            display_ = ReadDisplay(pipe_ends[0]);
        }
        close(pipe_ends[0]);
    }
    ~XvfbServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", or empty when the server did not come up.
    const std::string& Display() const { return display_; }

private:
    static std::string ReadDisplay(int fd) {
        std::string number;
        char c = 0;
        while (read(fd, &c, 1) == 1 && c != '\n') {
            number += c;
        }
        return number.empty() ? "" : ":" + number;
    }

    pid_t pid_ = 0;
    std::string display_;
};

class X11KeyStateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_program_ = FindOnPath("Xvfb");
        xdotool_program_ = FindOnPath("xdotool");
        if (xvfb_program_ && xdotool_program_) {
            server_ = new XvfbServer(*xvfb_program_);
        }
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (!xvfb_program_ || !xdotool_program_) {
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        }
        ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
        keys_.emplace(server_->Display());
        ASSERT_TRUE(keys_->Available());
    }
    void TearDown() override {
        if (keys_) {
            Xdotool({"keyup", "ctrl", "alt", "q", "a"});
        }
    }

    void Xdotool(std::vector<std::string> words) {
        ASSERT_EQ(RunWithDisplay(*xdotool_program_, std::move(words), server_->Display()), 0);
    }

    std::optional<X11KeyState> keys_;

private:
    static inline std::optional<std::string> xvfb_program_;
    static inline std::optional<std::string> xdotool_program_;
    static inline XvfbServer* server_ = nullptr;
};

TEST_F(X11KeyStateTest, SeesCtrlAltQHeldAndReleased) {
    Xdotool({"keydown", "ctrl", "alt", "q"});
    EXPECT_TRUE(keys_->IsHeld(17) && keys_->IsHeld(18) && keys_->IsHeld(81));
    EXPECT_TRUE(keys_->IsHeld(162));   // left Ctrl
    EXPECT_FALSE(keys_->IsHeld(163));  // right Ctrl
    EXPECT_FALSE(keys_->IsHeld(65));
    Xdotool({"keyup", "ctrl", "alt", "q"});
    EXPECT_FALSE(keys_->IsHeld(17) || keys_->IsHeld(18) || keys_->IsHeld(81));
}

TEST_F(X11KeyStateTest, CtrlQAloneHoldsNoAlt) {
    Xdotool({"keydown", "ctrl", "q"});
    EXPECT_TRUE(keys_->IsHeld(17));
    EXPECT_TRUE(keys_->IsHeld(81));
    EXPECT_FALSE(keys_->IsHeld(18));
    Xdotool({"keyup", "ctrl", "q"});
}

// The running cycle with "Global Key" checked and the default keys: only Ctrl+Alt+Q forces
// DOUT 0 on, and Ctrl+Alt+A forces it off.
TEST_F(X11KeyStateTest, DrivesTheModesWhileTheCycleRuns) {
    testing::RecordingHost host;
    testing::MemoryProfileStore profiles;
    testing::FakePrompter prompter;
    testing::FakeLocale locale;
    testing::FakeClock clock;
    testing::RecordingSoundPlayer sound;
    testing::RecordingLauncher launcher;
    Application application(
        Ports{host, profiles, prompter, locale, clock, sound, launcher, *keys_});
    application.Load("");
    ASSERT_TRUE(application.GetPanel().ScanTimerEnabled());
    application.GetPanel().SetGlobalKeys(true);

    Xdotool({"keydown", "ctrl", "q"});
    application.ScanTick();
    EXPECT_EQ(application.GetPanel().Slot(0).mode, "Set");
    Xdotool({"keydown", "alt"});
    application.ScanTick();
    EXPECT_EQ(application.GetPanel().Slot(0).mode, "Force Set");
    Xdotool({"keyup", "q"});
    Xdotool({"keydown", "a"});
    application.ScanTick();
    EXPECT_EQ(application.GetPanel().Slot(0).mode, "Force Reset");
    EXPECT_EQ(application.GetPanel().Slot(1).mode, "Set");
}

TEST(X11KeyStateWithoutDisplayTest, ReadsEveryKeyAsNotHeld) {
    X11KeyState keys(":32766");  // no server there
    EXPECT_FALSE(keys.Available());
    EXPECT_FALSE(keys.IsHeld(17));
    EXPECT_FALSE(keys.IsHeld('Q'));
}

// A key pressed on the X server reads as held under its Windows code, and as nothing else;
// codes with no key read as never held. One test, one X server for the whole table.
TEST_F(X11KeyStateTest, EachKeyReadsAsHeldUnderItsWindowsCode) {
    struct PressCase {
        const char* key;  // as xdotool names it
        int virtual_key;
    };
    const PressCase cases[] = {
        {"a", 'A'},     {"z", 'Z'},      {"0", '0'},       {"9", '9'},
        {"F1", 112},    {"Shift_L", 16}, {"Shift_R", 161}, {"Control_R", 163},
        {"Alt_L", 164}, {"space", 32},   {"Return", 13},   {"Escape", 27},
        {"Tab", 9},     {"Left", 37},    {"Down", 40},     {"KP_0", 96}};
    for (const PressCase& press : cases) {
        SCOPED_TRACE(press.key);
        Xdotool({"keydown", press.key});
        const bool held = keys_->IsHeld(press.virtual_key);
        const bool others = keys_->IsHeld(58) || keys_->IsHeld(255) || keys_->IsHeld(0) ||
                            keys_->IsHeld(-1) ||
                            keys_->IsHeld(press.virtual_key == 'B' ? 'C' : 'B');
        Xdotool({"keyup", press.key});
        EXPECT_TRUE(held);
        EXPECT_FALSE(others);
        EXPECT_FALSE(keys_->IsHeld(press.virtual_key));
    }
}

}  // namespace
}  // namespace quillon
