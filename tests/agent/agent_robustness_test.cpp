// SPDX-License-Identifier: MIT
// pellomar when the server refuses, stalls or drops a recipient, and when its own files are
// damaged: one bad message, recipient or file never silences the rest.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <iostream>

#include "agent/agent_fixture.hpp"

namespace quillon::testing {
namespace {

using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

constexpr char kOperator[] = "operator@lab.example";
constexpr char kNight[] = "night@lab.example";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class AgentRobustness : public AgentFixture {
protected:
    // The recipients of the mails that carried `tag`, in arrival order.
    std::vector<std::vector<std::string>> RecipientsOf(const std::string& tag) const {
        std::vector<std::vector<std::string>> recipients;
        const std::vector<std::string> mails = server->Mails();
        const std::vector<SmtpTestServer::Envelope> envelopes = server->Envelopes();
        for (std::size_t i = 0; i < mails.size() && i < envelopes.size(); ++i) {
            if (DecodedMail(mails[i]).find("_" + tag + "\r\n") != std::string::npos) {
                recipients.push_back(envelopes[i].recipients);
            }
        }
        return recipients;
    }
    std::string StatusText() { return Agent({"--status"}).output; }
    std::filesystem::path Outbox() const { return state / "quillon" / "outbox"; }
    std::string Log() const { return ReadWholeFile((state / "quillon" / "pellomar.log").string()); }
};

// A server behaviour, what becomes of the first alarm, and how long the good one behind it
// waits (always less than 5 s).
struct ServerCase {
    std::string name;
    std::string rules;
    std::string first_tag;  // the first alarm's channel text; markers in it trigger rules
    std::vector<std::vector<std::string>> first_reached;  // its mails' recipients
    std::string failed_reply;  // in --status when it went to failed/; empty: it did not
    std::size_t left_in_outbox;
    std::string logged;  // in the agent's log
};

class AgentServerBehaviour : public AgentRobustness,
                             public ::testing::WithParamInterface<ServerCase> {};

TEST_P(AgentServerBehaviour, TheGoodAlarmBehindArrivesWithinFiveSeconds) {
    const ServerCase& test = GetParam();
    mail["TransferTimeout"] = "2";
    WriteSettings();
    server->SetRules(test.rules);
    ASSERT_EQ(Agent(AlarmArguments("Lab1", test.first_tag)).status, 0);
    const auto good_queued = Clock::now();
    ASSERT_EQ(Agent(AlarmArguments("Lab2", "tag2")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag2") == 1; }, seconds(20)));
    const double waited = SecondsSince(good_queued);
    EXPECT_LT(waited, 5);
    std::cout << "[ figures ] " << test.name << ": the good alarm waited " << waited << " s\n";
    RecordProperty("good_alarm_wait_ms", static_cast<int>(waited * 1000));
    ASSERT_TRUE(
        WaitUntil([&] { return RecipientsOf(test.first_tag) == test.first_reached; }, seconds(10)))
        << StatusText();
    const std::string status = StatusText();
    if (test.failed_reply.empty()) {
        EXPECT_NE(status.find("Failed (given up, kept): 0 message(s)"), std::string::npos)
            << status;
    } else {
        EXPECT_NE(status.find("Failed (given up, kept): 1 message(s)"), std::string::npos)
            << status;
        EXPECT_NE(status.find(test.failed_reply), std::string::npos) << status;
    }
    EXPECT_TRUE(
        WaitUntil([&] { return OutboxEntries().size() == test.left_in_outbox; }, seconds(10)))
        << status;
    EXPECT_NE(Log().find(test.logged), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentServerBehaviour,
    ::testing::Values(
        ServerCase{"Accepts", "{}", "tag1", {{kOperator, kNight}}, "", 0, "delivered 1 message"},
        ServerCase{"RefusesTheMailAtData",
                   R"({"refuse_marker": "POISON"})",
                   "tag1POISON",
                   {},
                   "554 5.6.0 Refused: POISON",
                   0,
                   "gave up on "},
        ServerCase{"RefusesOneRecipientForGood",
                   R"({"refuse_rcpt": {"night@lab.example": "550 5.1.1 No such user"}})",
                   "tag1",
                   {{kOperator}},
                   "",
                   0,
                   "550 5.1.1 No such user"},
        ServerCase{"RefusesOneRecipientForNow",
                   R"({"refuse_rcpt": {"night@lab.example": "451 4.3.0 Try later"}})",
                   "tag1",
                   {{kOperator}},
                   "",
                   2,
                   "some recipients refused it for now"},
        ServerCase{"StallsAfterTheData",
                   R"({"stall_marker": "STALL", "stall_seconds": 60})",
                   "tag1STALL",
                   {},
                   "",
                   1,
                   "not delivered (1 message): no outcome within TransferTimeout "
                   "(2 s)"}),
    [](const ::testing::TestParamInfo<ServerCase>& info) { return info.param.name; });

TEST_F(AgentRobustness, ARecipientRefusedForNowGetsTheMailOnceTheServerTakesIt) {
    server->SetRules(R"({"refuse_rcpt": {"night@lab.example": "451 4.3.0 Try later"}})");
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return RecipientsOf("tag1").size() == 1; }, seconds(20)));
    // The deliverer writes the status after the server has the mail: wait for it.
    std::string status;
    EXPECT_TRUE(WaitUntil(
        [&] {
            status = StatusText();
            return status.find("451 4.3.0 Try later (tried again)") != std::string::npos;
        },
        seconds(20)))
        << status;
    EXPECT_NE(status.find("Recipient refused: night@lab.example at "), std::string::npos);
    server->SetRules("{}");
    ASSERT_TRUE(WaitUntil([&] { return RecipientsOf("tag1").size() == 2; }, seconds(20)));
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(RecipientsOf("tag1"), (std::vector<std::vector<std::string>>{{kOperator}, {kNight}}));
    EXPECT_EQ(StatusText().find("Recipient refused"), std::string::npos);
}

TEST_F(AgentRobustness, AnotherInstancesAlarmDoesNotWaitForAMergeWindow) {
    mail["MergeWindow"] = "30";
    WriteSettings();
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag2")).status, 0);  // waits for the window
    ASSERT_TRUE(WaitUntil([&] { return DelivererId().has_value(); }, seconds(5)));
    const auto queued = Clock::now();
    ASSERT_EQ(Agent(AlarmArguments("Lab2", "tag3")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag3") == 1; }, seconds(20)));
    const double waited = SecondsSince(queued);
    EXPECT_LT(waited, 5);
    EXPECT_EQ(TagCounts().count("tag2"), 0u);
    std::cout << "[ figures ] behind another instance's merge window the alarm waited " << waited
              << " s\n";
    RecordProperty("wait_behind_merge_window_ms", static_cast<int>(waited * 1000));
}

TEST_F(AgentRobustness, StartTlsIsUsedWheneverOfferedEvenWithPlainTextAllowed) {
    struct Case {
        SmtpTestServer::Tls tls;
        std::string allow_plain_text;
        bool arrives;
        bool over_tls;
    };
    const std::vector<Case> cases{{SmtpTestServer::Tls::Offered, "1", true, true},
                                  {SmtpTestServer::Tls::Offered, "0", true, true},
                                  {SmtpTestServer::Tls::None, "1", true, false},
                                  {SmtpTestServer::Tls::None, "0", false, false}};
    int index = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(index);
        server->Stop();
        server = std::make_unique<SmtpTestServer>(temp.Path() / ("smtp" + std::to_string(index++)),
                                                  test.tls);
        ASSERT_TRUE(server->Start());
        mail["Url"] = server->Url();
        mail["CaFile"] = server->Certificate().string();
        mail["AllowPlainText"] = test.allow_plain_text;
        WriteSettings();
        const Result sent = Agent({"--test"});
        EXPECT_EQ(sent.output.find("ARRIVED") != std::string::npos, test.arrives) << sent.output;
        if (test.arrives) {
            ASSERT_EQ(server->Envelopes().size(), 1u);
            EXPECT_EQ(server->Envelopes()[0].tls, test.over_tls);
        }
        if (const auto deliverer = DelivererId(); deliverer && !test.arrives) {
            // The refused message would wait its whole lifetime for a server that offers TLS.
            ::kill(*deliverer, SIGKILL);
            std::filesystem::remove_all(Outbox());
        }
        WaitForDeliverersToEnd(seconds(10));
        std::filesystem::remove_all(Outbox());
    }
}

TEST_F(AgentRobustness, ALongInstanceNameAndAnAccentedSenderStillGoThrough) {
    const std::string instance = "Lab_" + std::string(1200, 'x');
    ASSERT_EQ(Agent({"Global", "Norvane", "Alarm@Caf\xc3\xa9_Line",
                     "14:03:07<br>DI710#" + instance + "<br>#0>3.3<br><br>#0=3.5_tag1<br>"})
                  .status,
              0);
    ASSERT_TRUE(WaitForMails(1, seconds(20)));
    EXPECT_EQ(server->Envelopes().at(0).subject,
              "[Quillon] Alarm: " + instance + " from Caf\xc3\xa9_Line");
}

// Damage to the agent's own files, and what each run says: no crash, no stall, no later
// alarm lost or sent twice.
struct DamageCase {
    std::string name;
    std::string file;  // under the state folder, or "pellomar.ini"
    std::string text;
    std::string status_says;
};

class AgentDamagedFiles : public AgentRobustness,
                          public ::testing::WithParamInterface<DamageCase> {};

TEST_P(AgentDamagedFiles, SaysWhatIsWrongAndDeliversTheNextAlarmOnce) {
    const DamageCase& test = GetParam();
    if (test.file == "pellomar.ini") {
        std::ofstream(config / "pellomar.ini", std::ios::app) << test.text;
    } else {
        std::filesystem::create_directories((state / "quillon" / test.file).parent_path());
        std::ofstream(state / "quillon" / test.file) << test.text;
    }
    const Result status = Agent({"--status"});
    EXPECT_EQ(status.status, 0) << status.output;
    EXPECT_NE(status.output.find(test.status_says), std::string::npos) << status.output;
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag1") == 1; }, seconds(20))) << Log();
    ASSERT_EQ(Agent(AlarmArguments("Lab2", "tag2")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag2") == 1; }, seconds(20))) << Log();
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(TagCounts(), (std::map<std::string, int>{{"tag1", 1}, {"tag2", 1}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentDamagedFiles,
    ::testing::Values(
        DamageCase{"OutboxTimeOutOfRange", "outbox/00000000000000000001-bad.mail",
                   "queued=9999999999999999999\nevent=Alarm\nmessage=x",
                   "why: the file does not read as a message"},
        DamageCase{"OutboxFileUnreadable", "outbox/00000000000000000001-bad.mail/x", "",
                   "why: it is not a regular file"},
        DamageCase{"DeliveryStateOutOfRange", "delivery.ini",
                   "[Last]\nFailures=99999999999999999999999\n[Recent]\n"
                   "Alarm|Line_3|Lab1=9999999999999999999\n",
                   "Last delivery: none yet"},
        DamageCase{"SettingOutOfRange", "pellomar.ini", "MessageLifetime=99999999999999999999\n",
                   "MessageLifetime=99999999999999999999 is refused"},
        DamageCase{"ControlCharactersInAMessage", "outbox/00000000000000000001-esc.mail",
                   "queued=1\nevent=Alarm\x1b[2J\nmessage=00:00:00<br>DI1#Lab\x1b]0;owned\x07<br>",
                   "Alarm\\x1b[2J  Lab\\x1b]0;owned\\x07"}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST_F(AgentRobustness, ALockThatCannotBeOpenedIsAnErrorUntilItIsGone) {
    // A folder where the lock belongs cannot be opened by anyone, root included.
    std::filesystem::create_directories(state / "quillon" / "deliverer.lock");
    const Result queued = Agent(AlarmArguments("Lab1", "tag1"));
    EXPECT_EQ(queued.status, 6);
    EXPECT_NE(queued.output.find("no deliverer can run: cannot open"), std::string::npos)
        << queued.output;
    EXPECT_NE(StatusText().find("Deliverer: CANNOT RUN: cannot open"), std::string::npos);
    std::filesystem::remove(state / "quillon" / "deliverer.lock");
    ASSERT_EQ(Agent(AlarmArguments("Lab2", "tag2")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().size() == 2; }, seconds(20)));
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(TagCounts(), (std::map<std::string, int>{{"tag1", 1}, {"tag2", 1}}));
}

TEST_F(AgentRobustness, AnOutboxThatTurnsReadOnlyGivesNoDuplicates) {
    server->SetRules(R"({"stall_marker": "tag1", "stall_seconds": 0.8})");
    ASSERT_EQ(Agent(AlarmArguments("Lab1", "tag1")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return DelivererId().has_value(); }, seconds(5)));
    if (!SetFolderReadOnly(Outbox(), true)) {
        GTEST_SKIP() << "this file system cannot make a folder read-only for root";
    }
    const bool arrived = WaitUntil([&] { return TagCounts().count("tag1") == 1; }, seconds(20));
    const bool logged =
        WaitUntil([&] { return Log().find("cannot remove the sent message") != std::string::npos; },
                  seconds(20));
    const bool ended = WaitUntil([&] { return !DelivererId().has_value(); }, seconds(20));
    const std::string status = StatusText();
    ASSERT_TRUE(SetFolderReadOnly(Outbox(), false));
    ASSERT_TRUE(arrived && logged && ended) << Log();
    EXPECT_NE(status.find("STATE NOT SAVED"), std::string::npos) << status;
    server->SetRules("{}");
    ASSERT_EQ(Agent(AlarmArguments("Lab2", "tag2")).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return TagCounts().count("tag2") == 1; }, seconds(20)));
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(TagCounts(), (std::map<std::string, int>{{"tag1", 1}, {"tag2", 1}}));
    EXPECT_TRUE(OutboxEntries().empty());
}

}  // namespace
}  // namespace quillon::testing
