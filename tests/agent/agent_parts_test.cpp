// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "agent/agent_request.hpp"
#include "agent/agent_state.hpp"
#include "agent/deliverer.hpp"
#include "agent/mail_composer.hpp"
#include "agent/mail_settings.hpp"
#include "agent/mime_text.hpp"
#include "agent/outbox.hpp"
#include "agent/password_file.hpp"
#include "agent/retry_delay.hpp"
#include "case_name.hpp"
#include "fakes/temp_directory.hpp"

namespace quillon::agent {
namespace {

using testing::TempDirectory;

struct RequestCase {
    std::string name;
    std::vector<std::string> arguments;
    AgentRequest::Kind kind;
};

class AgentRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(AgentRequestTest, ReadsQuillonsCommandLineAndTheOptions) {
    EXPECT_EQ(AgentRequest::FromArguments(GetParam().arguments).kind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentRequestTest,
    ::testing::Values(
        RequestCase{"Alarm",
                    {"Global", "Norvane", "Alarm@Line_3", "14:03:07<br>"},
                    AgentRequest::Kind::Queue},
        RequestCase{"EmptyMessage", {"Global", "Norvane", "Alarm", ""}, AgentRequest::Kind::Queue},
        RequestCase{"Status", {"--status"}, AgentRequest::Kind::Status},
        RequestCase{"Test", {"--test"}, AgentRequest::Kind::Test},
        RequestCase{"Help", {"--help"}, AgentRequest::Kind::Help},
        RequestCase{"UnknownOption", {"--send"}, AgentRequest::Kind::Invalid},
        RequestCase{"NoArguments", {}, AgentRequest::Kind::Invalid},
        RequestCase{"MessageMissing", {"Global", "Norvane", "Alarm"}, AgentRequest::Kind::Invalid},
        RequestCase{
            "OtherFirstWords", {"Local", "Norvane", "Alarm", "x"}, AgentRequest::Kind::Invalid},
        RequestCase{"SenderWithoutEvent",
                    {"Global", "Norvane", "@Line_3", "x"},
                    AgentRequest::Kind::Invalid}),
    [](const ::testing::TestParamInfo<RequestCase>& info) { return info.param.name; });

struct SettingsCase {
    std::string name;
    std::string mail_section;
    std::string problem;  // empty: usable
};

class MailSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(MailSettingsTest, NamesWhatKeepsMailFromLeaving) {
    const MailSettings settings =
        MailSettings::FromIni(IniFile("[Global]\nSenderID=x\n" + GetParam().mail_section));
    if (GetParam().problem.empty()) {
        EXPECT_TRUE(settings.Usable()) << settings.problems.front();
    } else {
        ASSERT_FALSE(settings.Usable());
        EXPECT_NE(settings.problems.front().find(GetParam().problem), std::string::npos)
            << settings.problems.front();
    }
}

constexpr char kGood[] = "[Mail]\nUrl=smtp://mail.example.com:587\nFrom=a@b\nTo=c@d\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MailSettingsTest,
    ::testing::Values(
        SettingsCase{"Complete", kGood, ""},
        SettingsCase{"ImplicitTls", "[Mail]\nUrl=smtps://h:465\nFrom=a@b\nTo=c@d\n", ""},
        SettingsCase{"NoSection", "", "no [Mail] section"},
        SettingsCase{"OtherScheme", "[Mail]\nUrl=http://h\nFrom=a@b\nTo=c@d\n",
                     "must start with smtp://"},
        SettingsCase{"NoHost", "[Mail]\nUrl=smtp://:25\nFrom=a@b\nTo=c@d\n", "names no server"},
        SettingsCase{"NoSender", "[Mail]\nUrl=smtp://h\nTo=c@d\n", "From is missing"},
        SettingsCase{"NoRecipient", "[Mail]\nUrl=smtp://h\nFrom=a@b\nTo= , \n", "To is missing"},
        SettingsCase{"UserWithoutPasswordFile", std::string(kGood) + "User=me\n",
                     "PasswordFile is missing"},
        SettingsCase{"WindowNotANumber", std::string(kGood) + "MergeWindow=soon\n",
                     "MergeWindow=soon is not a number of seconds"}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST(MailSettings, ReadsEveryRecipientAndTheShortenedDelays) {
    const MailSettings settings = MailSettings::FromIni(
        IniFile("[Mail]\nUrl=smtp://h\nFrom=a@b\nTo=a@x, b@y;c@z\nFirstRetry=0.25\n"
                "MessageLifetime=90\n"));
    EXPECT_EQ(settings.to, (std::vector<std::string>{"a@x", "b@y", "c@z"}));
    EXPECT_DOUBLE_EQ(settings.first_retry.count(), 0.25);
    EXPECT_DOUBLE_EQ(settings.message_lifetime.count(), 90);
    EXPECT_DOUBLE_EQ(settings.longest_retry.count(), 300);
}

struct PasswordCase {
    std::string name;
    mode_t mode;
    bool accepted;
};

class PasswordFileTest : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordFileTest, IsReadOnlyWhenOnlyItsOwnerMayReadIt) {
    TempDirectory folder;
    const std::string path =
        folder.Write("password", "secret word\nsecond line\n", GetParam().mode);
    std::string error;
    const std::optional<std::string> password = PasswordFile::Read(path, error);
    EXPECT_EQ(password.has_value(), GetParam().accepted) << error;
    if (password) {
        EXPECT_EQ(*password, "secret word");
    } else {
        EXPECT_NE(error.find("chmod 600"), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PasswordFileTest,
                         ::testing::Values(PasswordCase{"OwnerOnly", 0600, true},
                                           PasswordCase{"OwnerReadOnly", 0400, true},
                                           PasswordCase{"GroupCanRead", 0640, false},
                                           PasswordCase{"EveryoneCanRead", 0644, false}),
                         [](const ::testing::TestParamInfo<PasswordCase>& info) {
                             return info.param.name;
                         });

struct MessageCase {
    std::string name;
    std::string event_word;
    std::string message;
    std::string instance;
    std::string headline;
};

class QueuedMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(QueuedMessageTest, KnowsItsInstanceAndSaysWhatHappened) {
    const QueuedMessage message{"n", {}, GetParam().event_word, GetParam().message};
    EXPECT_EQ(message.Instance(), GetParam().instance);
    EXPECT_EQ(MailComposer::Headline(message), GetParam().headline);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueuedMessageTest,
    ::testing::Values(
        MessageCase{"Alarm", "Alarm@Line_3", "14:03:07<br>DI710#Lab1<br>#0>3.3<br><br>#0=2.5_V<br>",
                    "Lab1", "Alarm on Lab1: #0>3.3 became true at 14:03:07"},
        MessageCase{"HostExit", "WinDaq_Exits",
                    "12-08-202614:03:07<br>WinDaq_ID=Lab1<br>Devce=7<br>", "Lab1",
                    "Host exit on Lab1 at 12-08-2026 14:03:07"},
        MessageCase{"KeepAlive", "KeepAlive@Line_3", "14:03:07<br>DI710#Lab1<br>Running<br>",
                    "Lab1", "Keep-alive from Lab1 at 14:03:07: all quiet"},
        MessageCase{"OneLineOnly", "Alarm", "garbled", "", "Alarm on :  became true at garbled"}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

TEST(QueuedMessage, ReadsBackWhatItWroteWhateverTheMessageHolds) {
    const QueuedMessage message{"name", WallTime(std::chrono::seconds(1765200000)), "Alarm@Line_3",
                                std::string("a\nb\r\nevent=x<br>message=y\0z", 27)};
    const std::optional<QueuedMessage> read = QueuedMessage::Parse("name", message.Serialized());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->queued, message.queued);
    EXPECT_EQ(read->event_word, message.event_word);
    EXPECT_EQ(read->message, message.message);
    EXPECT_FALSE(QueuedMessage::Parse("name", "queued=12\nevent=Alarm\n"));
}

TEST(MimeText, QuotedPrintableKeepsLinesShortAndEscapesWhatMustBe) {
    const std::string encoded = QuotedPrintable(std::string(200, 'x') + "=\xc3\xa9 \nnext");
    std::size_t begin = 0;
    for (std::size_t end; (end = encoded.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
        EXPECT_LE(end - begin, 76u);
    }
    EXPECT_NE(encoded.find("=3D=C3=A9=20\r\nnext"), std::string::npos) << encoded;
    EXPECT_EQ(EncodedHeaderWord("plain"), "plain");
    EXPECT_EQ(EncodedHeaderWord("caf\xc3\xa9"), "=?utf-8?B?Y2Fmw6k=?=");
}

TEST(RetryDelay, DoublesFromTheFirstUpToTheLongestWithJitterOfUpToHalf) {
    const Seconds first(2);
    const Seconds longest(300);
    const std::vector<double> expected{2, 4, 8, 16, 32, 64, 128, 256, 300, 300};
    for (int failures = 1; failures <= 10; ++failures) {
        EXPECT_DOUBLE_EQ(RetryDelay(failures, first, longest, 0).count(), expected[failures - 1]);
        EXPECT_DOUBLE_EQ(RetryDelay(failures, first, longest, 1).count(),
                         expected[failures - 1] / 2);
    }
}

// The outbox and the deliverer with a transport that the test controls.
class DelivererTest : public ::testing::Test {
protected:
    DelivererTest() {
        settings.from = "a@b";
        settings.to = {"c@d"};
        settings.merge_window = Seconds(60);
        settings.first_retry = Seconds(2);
    }

    void Queue(const std::string& event_word, const std::string& instance, WallTime when) {
        std::string error;
        ASSERT_TRUE(
            outbox.Enqueue({"", when, event_word, "14:00:00<br>DI1#" + instance + "<br>"}, error))
            << error;
    }
    Deliverer MakeDeliverer() {
        return Deliverer(
            outbox, state, settings,
            [this](const std::string& mail) {
                sent.push_back(mail);
                return SendResult{accept, "250 OK", accept ? "" : "Couldn't connect"};
            },
            [this](Seconds delay) { slept.push_back(delay.count()); });
    }

    TempDirectory folder;
    Outbox outbox{folder.Path()};
    AgentState state{folder.Path()};
    MailSettings settings;
    bool accept = true;
    std::vector<std::string> sent;
    std::vector<double> slept;
};

TEST_F(DelivererTest, LeavesAMessageInTheOutboxUntilTheServerAcceptsIt) {
    Queue("Alarm", "Lab1", std::chrono::system_clock::now());
    accept = false;
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);
    EXPECT_EQ(outbox.Messages().size(), 1u);
    ASSERT_EQ(slept.size(), 2u);
    EXPECT_GT(slept[1], slept[0] * 0.9);  // the second wait is drawn from a doubled delay
    accept = true;
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Empty);
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(DelivererTest, HoldsMessagesOfARecentlySentKindForTheWindowThenSendsThemTogether) {
    const WallTime now = std::chrono::system_clock::now();
    state.RecordDelivery(MergeKeyOf({"", now, "Alarm", "t<br>DI1#Lab1<br>"}), "s", "250", now);
    Queue("Alarm", "Lab1", now);
    Queue("Alarm", "Lab1", now);
    Queue("Alarm", "Lab2", now);
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);  // Lab2 is not held
    EXPECT_EQ(deliverer.LastSentNames().size(), 1u);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Waited);
    ASSERT_EQ(slept.size(), 1u);
    EXPECT_GT(slept[0], 50);
}

TEST_F(DelivererTest, MovesAMessagePastItsLifetimeToFailed) {
    settings.message_lifetime = Seconds(10);
    Queue("Alarm", "Lab1", std::chrono::system_clock::now() - std::chrono::seconds(11));
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Empty);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(outbox.FailedMessages().size(), 1u);
}

TEST_F(DelivererTest, MovesAFileThatIsNoMessageToFailedInsteadOfBlockingTheQueue) {
    Queue("Alarm", "Lab1", std::chrono::system_clock::now());
    std::ofstream(outbox.QueueFolder() / "00000000000000000001-garbled.mail") << "garbled";
    EXPECT_EQ(outbox.Messages().size(), 1u);
    EXPECT_TRUE(
        std::filesystem::exists(outbox.FailedFolder() / "00000000000000000001-garbled.mail"));
}

TEST_F(DelivererTest, KeepAliveMailCountsWhatElseWaits) {
    const WallTime now = std::chrono::system_clock::now();
    Queue(kKeepAliveEvent, "Lab1", now);
    state.RecordDelivery(MergeKeyOf({"", now, "Alarm", "t<br>DI1#Lab2<br>"}), "s", "250", now);
    Queue("Alarm", "Lab2", now);
    MakeDeliverer().DeliverNext();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("Outbox: 1 other message waiting; the oldest queued at"),
              std::string::npos);
}

}  // namespace
}  // namespace quillon::agent
