// SPDX-License-Identifier: MIT
// Headless instances on the simulated instrument publishing to a real mosquitto: the retained
// online and state topics, every event-log line in order, a broker outage, a killed instance,
// and quillon-fleet reading the fleet back.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <deque>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "events/rotating_event_file.hpp"
#include "fakes/loopback_listener.hpp"
#include "fakes/temp_directory.hpp"
#include "fleet/fleet_publisher.hpp"
#include "fleet/test_broker.hpp"
#include "fleet/topic_recorder.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::ReadWholeFile;
using testing::RunningProgram;
using testing::TempDirectory;
using testing::TestBroker;
using testing::TopicRecorder;
using testing::WaitUntil;

constexpr auto kPatience = std::chrono::seconds(20);

// Channel 0 crosses 3.3 five times a second: eight slots and the output word change each time.
constexpr char kBusyScenario[] =
    "channels 1\n"
    "channel 0 square low=0 high=5 period=0.2\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The received lines against the log: lost lines, and repeats of lines received before.
struct Delivery {
    int lost = 0;
    int duplicates = 0;
    bool in_order = true;
};

Delivery Compare(const std::vector<std::string>& log, const std::vector<std::string>& received) {
    Delivery delivery;
    std::set<std::string> seen;
    std::vector<std::string> first_copies;
    for (const std::string& line : received) {
        if (seen.insert(line).second) {
            first_copies.push_back(line);
        } else {
            ++delivery.duplicates;
        }
    }
    for (const std::string& line : log) {
        delivery.lost += seen.count(line) == 0 ? 1 : 0;
    }
    delivery.in_order = first_copies == log;
    return delivery;
}

struct Rig {
    std::string name;
    std::filesystem::path config;
    std::filesystem::path state;
    std::unique_ptr<RunningProgram> program;

    std::vector<std::string> EventLog() const {
        return Lines(ReadWholeFile((state / "quillon" / "events" / EventFileName(name)).string()));
    }
    std::string Settings() const { return (config / "fleet.ini").string(); }
};

class FleetBrokerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(broker_.Start());
        recorder_ = std::make_unique<TopicRecorder>(broker_.Port(), TestBroker::kUser,
                                                    TestBroker::kPassword, "quillon/#");
        ASSERT_TRUE(WaitUntil([&] { return recorder_->Connected(); }, kPatience));
    }

    static std::string Topic(const std::string& rig, const std::string& leaf) {
        return "quillon/plant/" + rig + "/" + leaf;
    }

    Rig& StartRig(const std::string& name, bool tls, const std::string& scenario = kBusyScenario,
                  bool channels = false, std::string url = "") {
        Rig& rig = rigs_.emplace_back();
        rig.name = name;
        rig.config = directory_.Path() / name / "config";
        rig.state = directory_.Path() / name / "state";
        std::filesystem::create_directories(rig.config);
        const std::string password = directory_.Write(
            name + "-password", std::string(TestBroker::kPassword) + "\n", password_mode_);
        url = !url.empty() ? url
              : tls        ? "mqtts://127.0.0.1:" + std::to_string(broker_.TlsPort())
                           : "mqtt://127.0.0.1:" + std::to_string(broker_.Port());
        std::ofstream(rig.config / "fleet.ini")
            << "[Broker]\nUrl=" << url << "\nUser=" << TestBroker::kUser
            << "\nPasswordFile=" << password << "\nCaFile=" << broker_.CaFile()
            << "\nSite=plant\nChannels=" << (channels ? 1 : 0) << "\n";
        const std::string scenario_file = directory_.Write(name + ".scn", scenario);
        ProgramStart start;
        start.program = QUILLON_HEADLESS_PROGRAM;
        start.arguments = {"-dsim:" + scenario_file, "-n" + name};
        start.environment = {{"QUILLON_CONFIG_DIR", rig.config.string()},
                             {"XDG_STATE_HOME", rig.state.string()},
                             {"QUILLON_PELLOMAR", (directory_.Path() / "pellomar").string()}};
        start.standard_output = Open(name + ".out");
        start.standard_error = Open(name + ".err");
        rig.program = std::make_unique<RunningProgram>(start);
        return rig;
    }

    int Open(const std::string& name) {
        const int fd = ::open((directory_.Path() / name).c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        descriptors_.push_back(fd);
        return fd;
    }

    bool Online(const Rig& rig, const std::string& value) const {
        return WaitUntil([&] { return recorder_->Last(Topic(rig.name, "online")) == value; },
                         kPatience);
    }
    nlohmann::json State(const Rig& rig) const {
        const auto state = recorder_->Last(Topic(rig.name, "state"));
        return state ? nlohmann::json::parse(*state, nullptr, false) : nlohmann::json();
    }
    bool Running(const Rig& rig, bool running) const {
        return WaitUntil(
            [&] {
                const nlohmann::json state = State(rig);
                return state.is_object() && state.value("running", !running) == running;
            },
            kPatience);
    }

    static void StopCleanly(Rig& rig) {
        rig.program->Signal(SIGTERM);
        const int status = rig.program->WaitForExit(kPatience);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << rig.name << " " << status;
    }

    // After the rig ended: everything its log holds has reached the subscriber.
    Delivery Delivered(const Rig& rig) const {
        const std::vector<std::string> log = rig.EventLog();
        WaitUntil(
            [&] {
                const auto received = recorder_->Payloads(Topic(rig.name, "events"));
                return Compare(log, received).lost == 0;
            },
            kPatience);
        return Compare(log, recorder_->Payloads(Topic(rig.name, "events")));
    }

    // quillon-fleet with these options: its exit status and its standard output.
    std::pair<int, std::string> Fleet(const Rig& rig, std::vector<std::string> options) {
        const std::string output = "fleet-" + std::to_string(++fleet_runs_) + ".out";
        ProgramStart start;
        start.program = QUILLON_FLEET_PROGRAM;
        start.arguments = std::move(options);
        start.arguments.insert(start.arguments.end(), {"--settings", rig.Settings()});
        start.standard_output = Open(output);
        start.standard_error = Open(output + ".err");
        const int status = RunningProgram(start).WaitForExit(kPatience);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                ReadWholeFile((directory_.Path() / output).string())};
    }

    ~FleetBrokerTest() override {
        for (const int fd : descriptors_) {
            close(fd);
        }
    }

    TempDirectory directory_;
    TestBroker broker_{directory_.Path() / "broker"};
    std::unique_ptr<TopicRecorder> recorder_;
    std::deque<Rig> rigs_;
    std::vector<int> descriptors_;
    int fleet_runs_ = 0;
    mode_t password_mode_ = 0600;
};

TEST_F(FleetBrokerTest, ThreeRigsPublishTheirStateAndEveryEventLineInOrder) {
    const struct {
        const char* name;
        bool tls;
        bool channels;
    } cases[] = {{"Rig-A", false, false}, {"Rig-B", true, false}, {"Rig-C", false, true}};
    for (const auto& c : cases) {
        StartRig(c.name, c.tls, kBusyScenario, c.channels);
    }
    for (Rig& rig : rigs_) {
        SCOPED_TRACE(rig.name);
        ASSERT_TRUE(Online(rig, "true"));
        ASSERT_TRUE(Running(rig, true));
        const nlohmann::json state = State(rig);
        EXPECT_EQ(state["instance"], rig.name);
        EXPECT_EQ(state["site"], "plant");
        EXPECT_EQ(state["lamps"].size(), 10u);
        EXPECT_EQ(state["host"], "Quillon simulated instrument");
    }
    // Only the rig that asked for them publishes its channels.
    ASSERT_TRUE(WaitUntil([&] { return recorder_->Last(Topic("Rig-C", "channels")).has_value(); },
                          kPatience));
    const nlohmann::json channels =
        nlohmann::json::parse(*recorder_->Last(Topic("Rig-C", "channels")));
    ASSERT_EQ(channels["channels"].size(), 1u);
    EXPECT_TRUE(channels["channels"][0]["text"].is_string());
    EXPECT_FALSE(recorder_->Last(Topic("Rig-A", "channels")).has_value());

    const auto [json_status, json] = Fleet(rigs_.front(), {"--json"});
    EXPECT_EQ(json_status, 0);
    const nlohmann::json table = nlohmann::json::parse(json, nullptr, false);
    ASSERT_TRUE(table.is_array()) << json;
    EXPECT_EQ(table.size(), 3u);
    for (const auto& row : table) {
        EXPECT_TRUE(row["online"].get<bool>()) << row;
        EXPECT_TRUE(row["trouble"].is_null()) << row;
    }
    EXPECT_EQ(Fleet(rigs_.front(), {"--check", "--max-age", "60"}).first, 0);

    for (Rig& rig : rigs_) {
        StopCleanly(rig);
    }
    for (Rig& rig : rigs_) {
        SCOPED_TRACE(rig.name);
        EXPECT_TRUE(Online(rig, "false"));
        const Delivery delivery = Delivered(rig);
        EXPECT_EQ(delivery.lost, 0);
        EXPECT_EQ(delivery.duplicates, 0);
        EXPECT_TRUE(delivery.in_order);
        EXPECT_GT(rig.EventLog().size(), 10u);
    }
}

// An acknowledgement is an event line like the others: it reaches the subscriber.
TEST_F(FleetBrokerTest, AnAcknowledgementGoesOutWithTheEvents) {
    const std::filesystem::path config = directory_.Path() / "Rig-L" / "config";
    std::filesystem::create_directories(config);
    std::ofstream(config / "NorvaneAlarm.ini") << "[Rig-L]\nMathExpression2=1\nLatch2=1\n";
    Rig& rig = StartRig("Rig-L", false, "channels 1\n");
    ASSERT_TRUE(Running(rig, true));
    const auto acks = [&] {
        int count = 0;
        for (const std::string& line : recorder_->Payloads(Topic(rig.name, "events"))) {
            count +=
                line.find("\"event\":\"ack\",\"slot\":2,\"source\":\"signal\"") != std::string::npos
                    ? 1
                    : 0;
        }
        return count;
    };
    const auto latched = [&] {
        for (const std::string& line : recorder_->Payloads(Topic(rig.name, "events"))) {
            if (line.find("\"event\":\"slot\",\"slot\":2,") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(WaitUntil(latched, kPatience));
    rig.program->Signal(SIGUSR1);
    EXPECT_TRUE(WaitUntil([&] { return acks() == 1; }, kPatience));
    StopCleanly(rig);
}

TEST_F(FleetBrokerTest, KilledAndFailedRigsFailTheCheck) {
    Rig& steady = StartRig("Steady", false);
    Rig& failing = StartRig("Failing", false, std::string(kBusyScenario) + "fail-reads-from 0.3\n");
    Rig& killed = StartRig("Killed", false);
    for (const Rig* rig : {&steady, &failing, &killed}) {
        ASSERT_TRUE(Online(*rig, "true")) << rig->name;
    }
    ASSERT_TRUE(Running(steady, true));
    ASSERT_TRUE(Running(killed, true));
    ASSERT_TRUE(Running(failing, false));
    killed.program->Signal(SIGKILL);
    killed.program->WaitForExit();
    // The broker sees the connection drop and sends the last will.
    ASSERT_TRUE(Online(killed, "false"));

    const auto [status, text] = Fleet(steady, {"--check"});
    EXPECT_EQ(status, 2);
    EXPECT_NE(text.find("plant/Killed: offline"), std::string::npos) << text;
    EXPECT_NE(text.find("plant/Failing: stopped by itself"), std::string::npos) << text;
    EXPECT_EQ(text.find("Steady"), std::string::npos) << text;

    const nlohmann::json table = nlohmann::json::parse(Fleet(steady, {"--json"}).second);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.back()["instance"], "Steady");  // trouble first
    EXPECT_TRUE(table.back()["trouble"].is_null());
}

TEST_F(FleetBrokerTest, ABrokerOutageLosesNoEventLine) {
    Rig& rig = StartRig("Outage", false);
    ASSERT_TRUE(Running(rig, true));
    ASSERT_TRUE(WaitUntil(
        [&] { return recorder_->Payloads(Topic(rig.name, "events")).size() >= 20; }, kPatience));

    broker_.Stop();
    const std::size_t at_stop = rig.EventLog().size();
    // A second of this scenario's events, written while nobody could take them.
    ASSERT_TRUE(WaitUntil([&] { return rig.EventLog().size() >= at_stop + 90; }, kPatience));
    const std::int64_t restarted_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count();
    ASSERT_TRUE(broker_.Start());
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const std::string& line : recorder_->Payloads(Topic(rig.name, "events"))) {
                if (line.find("\"broker_back\"") != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        kPatience));
    // The state is sent again on reconnecting: a fresh copy, not the one retained before.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const nlohmann::json state = State(rig);
            return state.is_object() && state.value("running", false) &&
                   state.value("published_ms", std::int64_t{0}) >= restarted_ms;
        },
        kPatience));
    EXPECT_TRUE(Online(rig, "true"));

    StopCleanly(rig);
    const std::vector<std::string> log = rig.EventLog();
    const int away = static_cast<int>(std::count_if(log.begin(), log.end(), [](const auto& line) {
        return line.find("\"broker_away\"") != std::string::npos;
    }));
    EXPECT_EQ(away, 1);
    const Delivery delivery = Delivered(rig);
    std::cout << "outage: " << log.size() << " event lines, lost " << delivery.lost
              << ", duplicates " << delivery.duplicates << "\n";
    EXPECT_EQ(delivery.lost, 0);
    EXPECT_LE(delivery.duplicates, 2);  // one from the publisher, one from the subscriber's side
    EXPECT_TRUE(delivery.in_order);
}

TEST_F(FleetBrokerTest, UnusableSettingsAreShownAndTheRunGoesOn) {
    password_mode_ = 0644;  // others may read it: publishing is off
    Rig& rig = StartRig("Careless", false);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ReadWholeFile((directory_.Path() / "Careless.err").string())
                       .find("status: Fleet publishing off: password file") != std::string::npos;
        },
        kPatience));
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto log = rig.EventLog();
            return std::any_of(log.begin(), log.end(), [](const std::string& line) {
                return line.find("\"event\":\"output\"") != std::string::npos;
            });
        },
        kPatience));
    StopCleanly(rig);
    EXPECT_FALSE(recorder_->Last(Topic("Careless", "online")).has_value());
}

// A loopback port that takes connections and never says a word.
class SilentListener {
public:
    SilentListener() {
        fd_ = testing::ListenOnLoopback(port_, 16);
        if (fd_ < 0) {
            throw std::runtime_error("no loopback port to listen on");
        }
    }
    ~SilentListener() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// The publisher alone, with a short patience: a broker that takes the connection and never
// answers it is away, with the reason.
TEST(FleetPublisherAlone, ASilentBrokerIsAwayOnceThePatienceIsOver) {
    SilentListener silent;
    TempDirectory directory;
    fleet::FleetSettings settings;
    settings.host = "127.0.0.1";
    settings.port = silent.Port();
    fleet::FleetPublisher publisher(settings, std::chrono::milliseconds(300));
    std::string error;
    ASSERT_TRUE(publisher.Start("Silent", directory.Path(), error)) << error;
    publisher.OfferLine("{\"event\":\"run_start\"}");
    publisher.Wake();
    std::vector<fleet::PublisherNotice> notices;
    ASSERT_TRUE(WaitUntil([&] {
        for (fleet::PublisherNotice& notice : publisher.TakeNotices()) {
            notices.push_back(std::move(notice));
        }
        return !notices.empty();
    }));
    EXPECT_EQ(notices.front().kind, fleet::PublisherNotice::Kind::BrokerAway);
    EXPECT_NE(notices.front().text.find("did not answer"), std::string::npos)
        << notices.front().text;
}

// The whole program with a silent broker (the away notice is the publisher's, above): it ends
// when told, and what the broker never took waits in the spool for the next run.
TEST_F(FleetBrokerTest, ASilentBrokerDoesNotHoldUpTheEnd) {
    SilentListener silent;
    Rig& rig = StartRig("Silent", false, kBusyScenario, false,
                        "mqtt://127.0.0.1:" + std::to_string(silent.Port()));
    ASSERT_TRUE(WaitUntil([&] { return rig.EventLog().size() >= 20; }, kPatience));
    StopCleanly(rig);
    const std::filesystem::path spool = rig.state / "quillon" / "mqtt" / "plant-Silent";
    std::uintmax_t spooled = 0;
    for (const auto& entry : std::filesystem::directory_iterator(spool)) {
        spooled += entry.path().extension() == ".jsonl" ? entry.file_size() : 0;
    }
    EXPECT_GT(spooled, 0u);
}

// A --max-age must be a whole number of seconds, above 0 and in range: "12x" is not read as 12,
// nor a number past the type's end as its largest value.
TEST(FleetProgramOptions, AMaxAgeThatIsNotAWholeNumberOfSecondsIsRefused) {
    TempDirectory directory;
    for (const char* age : {"12x", "0", "-5", "", "99999999999999999999"}) {
        ProgramStart start;
        start.program = QUILLON_FLEET_PROGRAM;
        start.arguments = {"--check", "--max-age", age, "--settings",
                           (directory.Path() / "none.ini").string()};
        const int status = RunningProgram(start).WaitForExit();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 64) << age;
    }
}

}  // namespace
}  // namespace quillon
