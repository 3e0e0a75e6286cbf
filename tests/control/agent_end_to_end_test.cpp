// SPDX-License-Identifier: MIT
// The e-mail alarm and the host-exit notice end to end: the simulated instrument drives the
// core, and a real stand-in agent process records the argument vector it was started with.
#include <gtest/gtest.h>

#include <charconv>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "app/application.hpp"
#include "fakes/fake_ports.hpp"
#include "fakes/hung_agents.hpp"
#include "fakes/temp_directory.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/linux/posix_process_launcher.hpp"

namespace quillon {
namespace {

// Each start writes its arguments, NUL-separated, to a file of its own.
constexpr const char* kAgentScript =
    "#!/bin/sh\n"
    "printf '%s\\0' \"$@\" > \"$0.$$.tmp\"\n"
    "mv \"$0.$$.tmp\" \"$0.$$.args\"\n";

class AgentEndToEndTest : public ::testing::Test {
protected:
    AgentEndToEndTest()
        : agent_(directory_.Write("pellomar", kAgentScript, 0755)),
          launcher_(ProgramLocator(
              [this](const char* variable) {
                  return std::string(variable) == "QUILLON_PELLOMAR" ? agent_.c_str() : nullptr;
              },
              directory_.Path().string())) {
        ports_.clock.wall =
            std::chrono::system_clock::from_time_t(1'796'745'600);  // a fixed moment
    }

    void Start(const std::string& scenario, const std::string& settings) {
        std::istringstream text(scenario);
        host_.emplace(sim::ParseScenario(text, "test"), [this] { return now_; });
        ports_.StoreSettings(settings);
        application_.emplace(ports_.With(*host_, launcher_));
        host_->OnExit([this] { application_->HostExited(); });
        application_->Load("");
    }
    void RunUntil(double seconds) {
        while (now_ < seconds - 1e-9 && !application_->Ended()) {
            now_ += 0.01;
            host_->Service();
            application_->ScanTick();
        }
    }
    // The argument vectors of the agent's runs so far, waiting for `count` of them.
    std::vector<std::vector<std::string>> AgentRuns(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<std::vector<std::string>> runs;
        while (std::chrono::steady_clock::now() < deadline) {
            runs = ReadRuns();
            if (runs.size() >= count) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return runs;
    }
    std::string LocalTime(const char* format) const {
        const std::time_t t = std::chrono::system_clock::to_time_t(ports_.clock.wall);
        std::tm local{};
        localtime_r(&t, &local);
        char text[64];
        std::strftime(text, sizeof text, format, &local);
        return text;
    }

    testing::TempDirectory directory_;
    std::string agent_;
    PosixProcessLauncher launcher_;
    double now_ = 0.0;
    std::optional<sim::SimulatedInstrument> host_;
    testing::FakePorts ports_;
    std::optional<Application> application_;
    Panel& panel() { return application_->GetPanel(); }

    // The count at the end of the status, "(N e-mails not sent so far)", after the cap's reason;
    // nothing when the status is not that.
    std::optional<int> NotSentCount() {
        const std::string status = panel().Status();
        const std::string reason = "not started: the 16 started before it are still running ";
        const std::string tail = " e-mails not sent so far)";
        const std::size_t reason_at = status.find(reason);
        const std::size_t open = status.rfind('(');
        if (reason_at == std::string::npos || open == std::string::npos ||
            open < reason_at + reason.size() || !status.ends_with(tail)) {
            return std::nullopt;
        }
        const std::size_t digits_end = status.size() - tail.size();
        int count = 0;
        const auto [end, error] =
            std::from_chars(status.data() + open + 1, status.data() + digits_end, count);
        if (error != std::errc() || end != status.data() + digits_end ||
            end == status.data() + open + 1) {
            return std::nullopt;
        }
        return count;
    }

private:
    std::vector<std::vector<std::string>> ReadRuns() const {
        std::vector<std::vector<std::string>> runs;
        for (const auto& entry : std::filesystem::directory_iterator(directory_.Path())) {
            if (entry.path().extension() != ".args") {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<std::string> arguments;
            for (std::string argument; std::getline(in, argument, '\0');) {
                arguments.push_back(argument);
            }
            runs.push_back(arguments);
        }
        return runs;
    }
};

TEST_F(AgentEndToEndTest, ARunOfTrueResultsSendsOnceAndAFalseOneRearms) {
    Start("channels 1\nchannel 0 steps 0:0 0.1:2.5 0.3:0 0.4:2.5\n",
          "MathExpression9=#0>1\nS9=Set\n");
    RunUntil(0.25);
    const auto first = AgentRuns(1);
    ASSERT_EQ(first.size(), 1u);
    const std::vector<std::string> expected = {
        "Global", "Norvane", "Alarm",
        LocalTime("%H:%M:%S") + "<br>DI0#Quillon<br>#0>1<br><br>#0=2.5_Channel_0<br>"};
    EXPECT_EQ(first[0], expected);
    RunUntil(0.35);
    EXPECT_EQ(AgentRuns(1).size(), 1u);
    RunUntil(0.5);
    EXPECT_EQ(AgentRuns(2).size(), 2u);
    EXPECT_EQ(panel().Status(), "");
}

TEST_F(AgentEndToEndTest, HostExitSendsTheNoticeStopsSavesAndEnds) {
    Start("channels 1\nexit-at 0.2\n", "S9=Set\n");
    RunUntil(1.0);
    EXPECT_TRUE(application_->Ended());
    EXPECT_FALSE(panel().ScanTimerEnabled());
    EXPECT_NE(ports_.profiles.files["NorvaneAlarm.ini"].find("EmailAlarmInterval=20"),
              std::string::npos);
    const auto runs = AgentRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    const std::vector<std::string> expected = {
        "Global", "Norvane", "WinDaq_Exits",
        LocalTime("%m-%d-%Y%H:%M:%S") + "<br>WinDaq_ID=Quillon<br>Devce=0<br>"};
    EXPECT_EQ(runs[0], expected);
}

TEST_F(AgentEndToEndTest, AMissingAgentIsReportedAndTheRunGoesOn) {
    agent_ = (directory_.Path() / "no-such-agent").string();
    Start("channels 1\nchannel 0 constant value=2.5\n", "MathExpression9=#0>1\nS9=Set\n");
    RunUntil(0.1);
    EXPECT_NE(panel().Status().find("Alarm e-mail not sent"), std::string::npos);
    EXPECT_TRUE(panel().ScanTimerEnabled());
}

// An agent that hangs, and an e-mail equation that keeps coming back (true every 40 ms): only
// the cap of agents run; every e-mail past it is reported, counted, and the run goes on.
TEST_F(AgentEndToEndTest, AHungAgentAndAFlappingAlarmStartNoMoreThanTheCap) {
    const testing::HungAgents hung(directory_, "hung-pellomar");
    agent_ = hung.Program();
    Start("channels 1\nchannel 0 square low=0 high=2 period=0.04\n",
          "MathExpression9=#0>1\nS9=Set\n");
    RunUntil(0.99);  // true spells from 0, 0.04, ..., 0.96 s
    const std::optional<int> not_sent = NotSentCount();
    ASSERT_TRUE(not_sent) << panel().Status();
    EXPECT_GT(*not_sent, 1);
    RunUntil(1.03);  // one more, from 1 s
    EXPECT_EQ(NotSentCount(), *not_sent + 1) << panel().Status();
    EXPECT_TRUE(panel().ScanTimerEnabled());
    EXPECT_EQ(hung.WaitForStarted(16), 16u);
}

}  // namespace
}  // namespace quillon
