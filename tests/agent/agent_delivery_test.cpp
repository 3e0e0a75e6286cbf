// SPDX-License-Identifier: MIT
// pellomar as Quillon runs it, against a real SMTP server on loopback.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "agent/agent_fixture.hpp"
#include "case_name.hpp"

namespace quillon::testing {
namespace {

using std::chrono::seconds;

class AgentDelivery : public AgentFixture {};

TEST_F(AgentDelivery, OneAlarmGivesOneMailWithSubjectBodyAndChannelLines) {
    const Result queued = Agent(AlarmArguments("Lab1", "tag1"));
    EXPECT_EQ(queued.status, 0) << queued.output;
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    WaitForDeliverersToEnd(seconds(20));
    const std::vector<std::string> mails = server->Mails();
    ASSERT_EQ(mails.size(), 1u);
    const std::string mail = DecodedMail(mails[0]);
    EXPECT_NE(mail.find("Subject: [Quillon] Alarm: Lab1 from Line_3\r\n"), std::string::npos);
    EXPECT_NE(mail.find("To: operator@lab.example, night@lab.example"), std::string::npos);
    EXPECT_NE(mail.find("multipart/alternative"), std::string::npos);
    EXPECT_NE(mail.find("Alarm on Lab1: #0>3.3 became true at 14:03:07"), std::string::npos);
    EXPECT_NE(mail.find("#0=3.5_tag1\r\n"), std::string::npos);  // the plain text
    EXPECT_NE(mail.find("#0=3.5_tag1</p>"), std::string::npos);  // the HTML
    EXPECT_NE(mail.find("#0&gt;3.3"), std::string::npos);
    EXPECT_TRUE(OutboxEntries().empty());
}

TEST_F(AgentDelivery, MessagesOfOneAlarmWithinTheWindowArriveMergedWithEveryEpisode) {
    mail["MergeWindow"] = "1";
    WriteSettings();
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    for (const char* tag : {"tag2", "tag3", "tag4"}) {
        ASSERT_EQ(Agent(AlarmArguments("Lab1", tag)).status, 0);
    }
    ASSERT_TRUE(WaitForMails(2, seconds(20)));
    WaitForDeliverersToEnd(seconds(20));
    const std::vector<std::string> mails = server->Mails();
    ASSERT_EQ(mails.size(), 2u);
    const std::string merged = DecodedMail(mails[1]);
    EXPECT_NE(merged.find("Subject: [Quillon] Alarm: Lab1 from Line_3 (3 times)"),
              std::string::npos);
    EXPECT_EQ(TagCounts(),
              (std::map<std::string, int>{{"tag1", 1}, {"tag2", 1}, {"tag3", 1}, {"tag4", 1}}));
}

TEST_F(AgentDelivery, HostExitGivesItsNotice) {
    ASSERT_EQ(Agent({"Global", "Norvane", "WinDaq_Exits@Line_3",
                     "12-08-202614:05:00<br>WinDaq_ID=Lab1<br>Devce=710<br>"})
                  .status,
              0);
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    const std::string mail = DecodedMail(server->Mails()[0]);
    EXPECT_NE(mail.find("Subject: [Quillon] Host exit: Lab1 from Line_3"), std::string::npos);
    EXPECT_NE(mail.find("Host exit on Lab1 at 12-08-2026 14:05:00"), std::string::npos);
}

TEST_F(AgentDelivery, EveryMessageArrivesOnceAfterTheServerComesBack) {
    server->Stop();
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(
            Agent(AlarmArguments("Lab" + std::to_string(i % 2), "tag" + std::to_string(i))).status,
            0);
    }
    // A deliverer is at work against the closed port, and every message waits in the outbox.
    ASSERT_TRUE(
        WaitUntil([&] { return DelivererId() && OutboxEntries().size() == 5; }, seconds(20)));
    const auto back = std::chrono::steady_clock::now();
    ASSERT_TRUE(server->Start());
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().size() == 5; }, seconds(30)));
    const auto delay = std::chrono::duration<double>(std::chrono::steady_clock::now() - back);
    WaitForDeliverersToEnd(seconds(20));
    for (const auto& [tag, count] : TagCounts()) {
        EXPECT_EQ(count, 1) << tag;
    }
    std::cout << "[ figures ] delivery delay after the server came back: " << delay.count()
              << " s (retries 1 s doubling to 2 s)\n";
    RecordProperty("delay_after_server_back_ms", static_cast<int>(delay.count() * 1000));
}

TEST_F(AgentDelivery, AgentKilledAtRandomMomentsLosesNothingItAcknowledged) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> front_delay_us(0, 40000);
    std::uniform_int_distribution<int> deliverer_delay_us(0, 80000);
    std::set<std::string> acknowledged;
    const int runs = 20;  // each kill lands at a new moment; the outbox's own tests cover the rest
    for (int run = 0; run < runs; ++run) {
        const std::string tag = "tag" + std::to_string(run);
        RunningProgram agent(AgentStart(AlarmArguments("Lab" + std::to_string(run), tag)));
        std::this_thread::sleep_for(std::chrono::microseconds(front_delay_us(random)));
        agent.Signal(SIGKILL);
        const int status = agent.WaitForExit();
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            acknowledged.insert(tag);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(deliverer_delay_us(random)));
        if (const std::optional<pid_t> deliverer = DelivererId(); deliverer && *deliverer > 0) {
            kill(*deliverer, SIGKILL);
        }
    }
    // A last launch delivers what the killed ones left.
    ASSERT_EQ(Agent(AlarmArguments("Final", "tag999")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag999") == 1; }, seconds(60)));
    WaitForDeliverersToEnd(seconds(30));
    const std::map<std::string, int> counts = TagCounts();
    int lost = 0;
    int duplicates = 0;
    for (const std::string& tag : acknowledged) {
        lost += counts.count(tag) == 0 ? 1 : 0;
    }
    for (const auto& [tag, count] : counts) {
        duplicates += count - 1;
    }
    std::cout << "[ figures ] kill runs: " << runs << ", acknowledged (exit 0) "
              << acknowledged.size() << ", arrived " << counts.size() - 1 << ", lost " << lost
              << ", duplicated " << duplicates << "\n";
    RecordProperty("acknowledged", static_cast<int>(acknowledged.size()));
    RecordProperty("lost", lost);
    RecordProperty("duplicated", duplicates);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(OutboxEntries().empty());
}

TEST_F(AgentDelivery, BurstOfLaunchesDeliversAllWithOneDelivererAtATime) {
    const int launches = 80;  // enough that many launches wait on one deliverer's lock
    std::vector<std::unique_ptr<RunningProgram>> agents;
    for (int i = 0; i < launches; ++i) {
        agents.push_back(std::make_unique<RunningProgram>(
            AgentStart(AlarmArguments("Lab" + std::to_string(i % 7), "tag" + std::to_string(i)))));
    }
    int queued = 0;
    for (auto& agent : agents) {
        const int status = agent->WaitForExit();
        queued += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
    }
    EXPECT_EQ(queued, launches);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().size() == launches; }, seconds(90)));
    const int deliverers = WaitForDeliverersToEnd(seconds(30));
    EXPECT_EQ(ChildrenLeft(), 0);  // every front process and deliverer ended and was collected
    for (const auto& [tag, count] : TagCounts()) {
        EXPECT_EQ(count, 1) << tag;
    }
    EXPECT_TRUE(OutboxEntries().empty());
    // The log says when each deliverer took and released the lock: never two at once.
    const std::string log = ReadWholeFile((state / "quillon" / "pellomar.log").string());
    int holding = 0;
    for (std::size_t at = 0; (at = log.find("lock ", at)) != std::string::npos; ++at) {
        holding += log.compare(at, 9, "lock held") == 0 ? 1 : -1;
        ASSERT_TRUE(holding == 0 || holding == 1) << log;
    }
    std::cout << "[ figures ] burst of " << launches << ": " << server->Mails().size() << " mails, "
              << deliverers << " deliverer processes one after another\n";
}

struct BadSettingsCase {
    std::string name;
    std::string key;  // the [Mail] key changed; empty: the whole section is missing
    std::string value;
    int status;
    std::string said;
};

class AgentWithBadSettings : public AgentFixture,
                             public ::testing::WithParamInterface<BadSettingsCase> {};

TEST_P(AgentWithBadSettings, SaysWhatIsWrongAndKeepsTheMessage) {
    const BadSettingsCase& bad = GetParam();
    if (bad.key.empty()) {
        WriteSettings(false);
    } else if (bad.key == "chmod") {
        chmod(password_file.c_str(), 0644);
    } else {
        mail[bad.key] = bad.value == "CLOSED" ? "smtp://127.0.0.1:1" : bad.value;
        if (bad.key == "PasswordFile" && bad.value == "WRONG") {
            mail[bad.key] = temp.Write("wrong", "not the password\n", 0600);
        }
        WriteSettings();
    }
    const Result test = Agent({"--test"});
    EXPECT_EQ(test.status, bad.status) << test.output;
    EXPECT_NE(test.output.find(bad.said), std::string::npos) << test.output;
    EXPECT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, bad.status == 5 ? 0 : bad.status);
    const Result status = Agent({"--status"});
    EXPECT_NE(status.output.find("Outbox: 2 message(s)"), std::string::npos) << status.output;
    EXPECT_TRUE(server->Mails().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentWithBadSettings,
    ::testing::Values(BadSettingsCase{"MissingMailSection", "", "", 3, "has no [Mail] section"},
                      BadSettingsCase{"UrlOfAnotherScheme", "Url", "http://127.0.0.1:25", 3,
                                      "must start with smtp:// or smtps://"},
                      BadSettingsCase{"NoRecipient", "To", "", 3, "To is missing"},
                      BadSettingsCase{"UnreachableServer", "Url", "CLOSED", 5, "Couldn't connect"},
                      BadSettingsCase{"WrongPassword", "PasswordFile", "WRONG", 5, "Login denied"},
                      BadSettingsCase{"MissingPasswordFile", "PasswordFile",
                                      "/nonexistent/password", 4, "cannot be read"},
                      BadSettingsCase{"PasswordFileOthersCanRead", "chmod", "", 4,
                                      "others can read it"}),
    [](const ::testing::TestParamInfo<BadSettingsCase>& info) { return info.param.name; });

TEST_F(AgentDelivery, TestSaysThatTheMailArrivedAndStatusShowsTheServerReply) {
    const Result test = Agent({"--test"});
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_NE(test.output.find("ARRIVED"), std::string::npos) << test.output;
    WaitForDeliverersToEnd(seconds(20));
    const Result status = Agent({"--status"});
    EXPECT_NE(status.output.find("Outbox: 0 message(s)"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find("server reply: 250 OK stored as"), std::string::npos)
        << status.output;
    EXPECT_NE(DecodedMail(server->Mails().at(0)).find("Subject: [Quillon] Test:"),
              std::string::npos);
}

// A message 25 hours old (written by a deliverer of long ago) is tried once, then given up.
TEST_F(AgentDelivery, MessageNotDeliveredInItsLifetimeMovesToFailedAndTheNextMailSaysSo) {
    server->Stop();
    const auto old = std::chrono::system_clock::now() - std::chrono::hours(25);
    const long long nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(old.time_since_epoch()).count();
    std::filesystem::create_directories(state / "quillon" / "outbox");
    std::ofstream(state / "quillon" / "outbox" / "00000000000000000001-old.mail")
        << "queued=" << nanoseconds
        << "\nevent=Alarm@Line_3\nmessage=" << AlarmArguments("Old", "tag0")[3];
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Agent({"--status"}).output.find("Failed (given up, kept): 1 message(s)") !=
                   std::string::npos;
        },
        seconds(20)));
    const Result status = Agent({"--status"});
    EXPECT_NE(status.output.find("why: not delivered within 86400 s"), std::string::npos)
        << status.output;
    ASSERT_TRUE(server->Start());
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    EXPECT_EQ(TagCounts(), (std::map<std::string, int>{{"tag1", 1}}));
    EXPECT_NE(DecodedMail(server->Mails()[0]).find("1 earlier message could not be delivered"),
              std::string::npos);
}

TEST_F(AgentDelivery, ARunningDelivererUsesAPasswordFixedWhileItRetries) {
    const std::string wrong = temp.Write("wrong", "not the password\n", 0600);
    mail["PasswordFile"] = wrong;
    WriteSettings();
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    const std::string delivery_state = (state / "quillon" / "delivery.ini").string();
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadWholeFile(delivery_state).find("Login denied") != std::string::npos; },
        seconds(20)));
    EXPECT_NE(Agent({"--status"}).output.find("LOGIN REFUSED: the server refused the user name"),
              std::string::npos);
    temp.Write("wrong", std::string(SmtpTestServer::kPassword) + "\n", 0600);
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    EXPECT_EQ(TagCounts(), (std::map<std::string, int>{{"tag1", 1}}));
}

TEST_F(AgentDelivery, RefusesOtherCommandLines) {
    const Result refused = Agent({"Global", "Norvane", "Alarm"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("usage: pellomar"), std::string::npos);
    EXPECT_TRUE(OutboxEntries().empty());
}

}  // namespace
}  // namespace quillon::testing
