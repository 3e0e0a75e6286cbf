// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "agent/agent_fixture.hpp"
#include "agent/agent_request.hpp"
#include "agent/agent_state.hpp"
#include "agent/deliverer.hpp"
#include "agent/mail_composer.hpp"
#include "agent/mail_settings.hpp"
#include "agent/mime_text.hpp"
#include "agent/outbox.hpp"
#include "agent/password_file.hpp"
#include "agent/printable_text.hpp"
#include "agent/retry_delay.hpp"
#include "agent/sent_ledger.hpp"
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
                     "MergeWindow=soon is not a number of seconds"},
        SettingsCase{"LifetimeInfinite", std::string(kGood) + "MessageLifetime=inf\n",
                     "MessageLifetime=inf is not a number of seconds"},
        SettingsCase{"PasswordInUrl", "[Mail]\nUrl=smtp://me:s3cret@h\nFrom=a@b\nTo=c@d\n",
                     "Url=smtp://h holds a password"},
        SettingsCase{"SenderWithoutHost", "[Mail]\nUrl=smtp://h\nFrom=lab\nTo=c@d\n",
                     "From=lab needs the form name@host"},
        SettingsCase{"RecipientWithTwoAddresses", "[Mail]\nUrl=smtp://h\nFrom=a@b\nTo=x@y z@w\n",
                     "To: x@y z@w holds a character"}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST(MailSettings, ReadsEveryRecipientAndTheShortenedDelays) {
    const MailSettings settings = MailSettings::FromIni(
        IniFile("[Mail]\nUrl=smtp://h\nFrom=Lab <a@b>\n"
                "To=a@x, \"Night, shift\" <b@y>;c@z\nFirstRetry=1.5\nMessageLifetime=900\n"));
    ASSERT_EQ(settings.to.size(), 3u);
    EXPECT_EQ(settings.to[1].address, "b@y");
    EXPECT_EQ(settings.to[1].HeaderText(), "\"Night, shift\" <b@y>");
    EXPECT_EQ(settings.from.HeaderText(), "Lab <a@b>");
    EXPECT_DOUBLE_EQ(settings.first_retry.count(), 1.5);
    EXPECT_DOUBLE_EQ(settings.message_lifetime.count(), 900);
    EXPECT_DOUBLE_EQ(settings.longest_retry.count(), 300);
    EXPECT_TRUE(settings.refused.empty());
}

// A value outside its limits is refused and its default used; mail still leaves.
struct LimitCase {
    std::string name;
    std::string line;
    double first_retry;
    double longest_retry;
    double message_lifetime;
    double transfer_timeout;
};

class MailSettingsLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(MailSettingsLimitTest, ReplacesAValueOutsideItsLimitsByTheDefault) {
    const MailSettings settings = MailSettings::FromIni(
        IniFile("[Mail]\nUrl=smtp://h\nFrom=a@b\nTo=c@d\n" + GetParam().line + "\n"));
    EXPECT_TRUE(settings.Usable());
    ASSERT_EQ(settings.refused.size(), 1u);
    EXPECT_NE(settings.refused[0].find("refused"), std::string::npos);
    EXPECT_DOUBLE_EQ(settings.first_retry.count(), GetParam().first_retry);
    EXPECT_DOUBLE_EQ(settings.longest_retry.count(), GetParam().longest_retry);
    EXPECT_DOUBLE_EQ(settings.message_lifetime.count(), GetParam().message_lifetime);
    EXPECT_DOUBLE_EQ(settings.transfer_timeout.count(), GetParam().transfer_timeout);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MailSettingsLimitTest,
    ::testing::Values(LimitCase{"FirstRetryZero", "FirstRetry=0", 2, 300, 86400, 60},
                      LimitCase{"LongestBelowFirst", "FirstRetry=10\nLongestRetry=5", 10, 300,
                                86400, 60},
                      LimitCase{"LifetimeZero", "MessageLifetime=0", 2, 300, 86400, 60},
                      LimitCase{"LifetimeHuge", "MessageLifetime=99999999999", 2, 300, 86400, 60},
                      LimitCase{"TimeoutTooShort", "TransferTimeout=0.5", 2, 300, 86400, 60},
                      LimitCase{"TimeoutTooLong", "TransferTimeout=601", 2, 300, 86400, 60}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

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

TEST(PasswordFile, AFifoOrAFolderIsRefusedWithoutWaiting) {
    TempDirectory folder;
    const std::string fifo = (folder.Path() / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, folder.Path().string()}) {
        std::string error;
        EXPECT_FALSE(PasswordFile::Read(path, error));
        EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
    }
}

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
        MessageCase{"RunStopped", "RunStopped@Line_3", "14:03:07<br>DI710#Lab1<br>", "Lab1",
                    "Run stopped on Lab1 at 14:03:07"},
        MessageCase{"RunResumed", "RunResumed", "14:05:00<br>WinDaq_ID=Lab1<br>", "Lab1",
                    "Run resumed on Lab1 at 14:05:00"},
        MessageCase{"OneLineOnly", "Alarm", "garbled", "", "Alarm on :  became true at garbled"}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

TEST(MailComposer, SubjectsNameTheEventTheInstanceAndTheSender) {
    MailSettings settings;
    const MailComposer composer(settings);
    const auto subject = [&](const std::string& event_word) {
        return composer.Subject({{"n", {}, event_word, "14:03:07<br>DI710#Lab1<br>"}});
    };
    EXPECT_EQ(subject("Alarm@Line_3"), "[Quillon] Alarm: Lab1 from Line_3");
    EXPECT_EQ(subject("WinDaq_Exits@Line_3"), "[Quillon] Host exit: Lab1 from Line_3");
    EXPECT_EQ(subject("RunStopped@Line_3"), "[Quillon] Run stopped: Lab1 from Line_3");
    EXPECT_EQ(subject("RunResumed"), "[Quillon] Run resumed: Lab1");
}

struct PrintableCase {
    std::string name;
    std::string raw;
    std::string shown;
};

class PrintableTest : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(PrintableTest, NoControlCharacterReachesATerminal) {
    EXPECT_EQ(Printable(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintableTest,
                         ::testing::Values(PrintableCase{"Plain", "Lab 1: #0>3.3", "Lab 1: #0>3.3"},
                                           PrintableCase{"Utf8", "caf\xc3\xa9", "caf\xc3\xa9"},
                                           PrintableCase{"Escape", "\x1b[2Jx", "\\x1b[2Jx"},
                                           PrintableCase{"LineBreaks", "a\r\nb", "a\\x0d\\x0ab"},
                                           PrintableCase{"C1InUtf8",
                                                         "\xc2\x9b"
                                                         "1m",
                                                         "\\xc2\\x9b1m"},
                                           PrintableCase{"NotUtf8", "\xff", "\\xff"}),
                         [](const ::testing::TestParamInfo<PrintableCase>& info) {
                             return info.param.name;
                         });

TEST(MimeText, LongAndNonAsciiSubjectsAreFoldedIntoShortLines) {
    const std::string long_words = HeaderField(
        "Subject", "[Quillon] Alarm: " + std::string(60, 'x') + " from " + std::string(60, 'y'));
    const std::string one_word = HeaderField("Subject", std::string(2000, 'z'));
    const std::string accented =
        HeaderField("Subject", "Alarm: caf\xc3\xa9 " + std::string(100, 'x'));
    for (const std::string& field : {long_words, one_word, accented}) {
        std::size_t begin = 0;
        for (std::size_t end; (end = field.find("\r\n", begin)) != std::string::npos;
             begin = end + 2) {
            EXPECT_LE(end - begin, 78u) << field;
        }
        EXPECT_EQ(field.find('\r'), field.find("\r\n"));
    }
    EXPECT_EQ(long_words.find("=?"), std::string::npos);
    EXPECT_EQ(one_word.find("=?utf-8?B?"), 9u);
}

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

// The outbox and the deliverer with a transport that the test controls, on a virtual clock
// that only the deliverer's waits move.
class DelivererTest : public ::testing::Test {
protected:
    DelivererTest() {
        settings.from = {"", "a@b"};
        settings.to = {{"", "c@d"}, {"", "e@f"}};
        settings.merge_window = Seconds(60);
        settings.first_retry = Seconds(2);
    }

    std::string Queue(const std::string& event_word, const std::string& instance, WallTime when,
                      const std::string& body = "") {
        std::string error;
        const std::optional<std::string> name = outbox.Enqueue(
            {"", when, event_word, "14:00:00<br>DI1#" + instance + "<br>" + body}, error);
        EXPECT_TRUE(name) << error;
        return name.value_or("");
    }
    Deliverer MakeDeliverer() {
        Deliverer::Clocks clocks;
        clocks.steady = [this] { return steady; };
        clocks.wall = [this] { return wall; };
        return Deliverer(
            outbox, state, ledger, settings,
            [this](const std::string& mail, const std::vector<std::string>& to,
                   const SmtpSender::Accepted&) {
                sent.push_back(mail);
                SendResult result = reply(mail);
                if (result.Accepted() && result.delivered_to.empty()) {
                    result.delivered_to = to;
                }
                return result;
            },
            [this](Seconds delay) {
                slept.push_back(delay.count());
                Advance(delay);
            },
            clocks);
    }
    void Advance(Seconds delay) {
        steady += std::chrono::round<SteadyTime::duration>(delay);
        wall += std::chrono::round<WallTime::duration>(delay);
    }
    static SendResult Reply(SendResult::Outcome outcome, const std::string& line) {
        SendResult result;
        result.outcome = outcome;
        result.server_reply = line;
        result.error = line;
        return result;
    }

    TempDirectory folder;
    Outbox outbox{folder.Path()};
    AgentState state{folder.Path()};
    SentLedger ledger{folder.Path() / "sent.ledger"};
    MailSettings settings;
    SteadyTime steady{std::chrono::hours(1000)};
    WallTime wall{std::chrono::seconds(1765200000)};
    std::function<SendResult(const std::string&)> reply = [](const std::string&) {
        return Reply(SendResult::Outcome::Accepted, "250 OK");
    };
    std::vector<std::string> sent;
    std::vector<double> slept;
};

TEST_F(DelivererTest, LeavesAMessageInTheOutboxUntilTheServerAcceptsIt) {
    Queue("Alarm", "Lab1", wall);
    reply = [](const std::string&) { return Reply(SendResult::Outcome::Temporary, ""); };
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Waited);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);
    EXPECT_EQ(outbox.Messages().size(), 1u);
    reply = [](const std::string&) { return Reply(SendResult::Outcome::Accepted, "250 OK"); };
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Waited);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Empty);
    ASSERT_EQ(slept.size(), 2u);
    EXPECT_GT(slept[1], slept[0] * 0.9);  // the second wait is drawn from a doubled delay
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(DelivererTest, HoldsMessagesOfARecentlySentKindForTheWindowThenSendsThemTogether) {
    state.RecordDelivery(MergeKeyOf({"", wall, "Alarm", "t<br>DI1#Lab1<br>"}), "s", "250", wall,
                         std::chrono::seconds(60));
    Queue("Alarm", "Lab1", wall);
    Queue("Alarm", "Lab1", wall);
    Queue("Alarm", "Lab2", wall);
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);  // Lab2 is not held
    EXPECT_EQ(deliverer.LastSentNames().size(), 1u);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Waited);
    ASSERT_EQ(slept.size(), 1u);
    EXPECT_NEAR(slept[0], 60, 0.01);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);
    EXPECT_EQ(deliverer.LastSentNames().size(), 2u);
}

// What the server answers, and what the deliverer makes of it: which messages remain, which
// went to failed/, and whether the good alarm queued behind the first one still left at once.
struct OutcomeCase {
    std::string name;
    SendResult::Outcome outcome;
    std::vector<RefusedRecipient> refused_for_good;
    std::vector<RefusedRecipient> refused_for_now;
    std::size_t left_in_outbox;
    std::size_t in_failed;
    std::size_t attempts_before_good_alarm_left;
};

class DelivererOutcomeTest : public DelivererTest,
                             public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(DelivererOutcomeTest, NoMessageHoldsUpTheNextBeyondOneAttempt) {
    const OutcomeCase& test = GetParam();
    Queue("Alarm", "Bad", wall, "POISON");
    Queue("Alarm", "Good", wall);
    reply = [&](const std::string& mail) {
        if (mail.find("POISON") == std::string::npos) {
            return Reply(SendResult::Outcome::Accepted, "250 OK");
        }
        SendResult result = Reply(test.outcome, "5xx or 4xx");
        result.refused_for_good = test.refused_for_good;
        result.refused_for_now = test.refused_for_now;
        if (test.outcome == SendResult::Outcome::Accepted) {
            result.delivered_to = {"c@d"};
        }
        return result;
    };
    Deliverer deliverer = MakeDeliverer();
    std::size_t attempts = 0;
    while (sent.size() < 2 && attempts < 10) {
        if (deliverer.DeliverNext() != Deliverer::Step::Waited) {
            ++attempts;
        }
    }
    EXPECT_EQ(attempts, test.attempts_before_good_alarm_left);
    EXPECT_TRUE(slept.empty());  // the good alarm waited for nothing
    EXPECT_EQ(outbox.Messages().size(), test.left_in_outbox);
    EXPECT_EQ(outbox.FailedCount(), test.in_failed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DelivererOutcomeTest,
    ::testing::Values(
        OutcomeCase{"RefusedForGood", SendResult::Outcome::Permanent, {}, {}, 0, 1, 2},
        OutcomeCase{"RefusedForNow", SendResult::Outcome::Temporary, {}, {}, 1, 0, 2},
        OutcomeCase{"OneRecipientRefusedForGood",
                    SendResult::Outcome::Accepted,
                    {{"e@f", "550 no such user"}},
                    {},
                    0,
                    0,
                    2},
        OutcomeCase{"OneRecipientRefusedForNow",
                    SendResult::Outcome::Accepted,
                    {},
                    {{"e@f", "451 try later"}},
                    1,
                    0,
                    2}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

TEST_F(DelivererTest, SendsOnlyToTheRecipientsThatStillNeedTheMessage) {
    Queue("Alarm", "Lab1", wall);
    std::vector<std::vector<std::string>> recipients;
    Deliverer::Clocks clocks;
    clocks.steady = [this] { return steady; };
    clocks.wall = [this] { return wall; };
    int call = 0;
    Deliverer deliverer(
        outbox, state, ledger, settings,
        [&](const std::string&, const std::vector<std::string>& to, const SmtpSender::Accepted&) {
            recipients.push_back(to);
            SendResult result = Reply(SendResult::Outcome::Accepted, "250 OK");
            result.delivered_to = {to.front()};
            if (call++ == 0) {
                result.refused_for_now = {{"e@f", "451 later"}};
            }
            return result;
        },
        [this](Seconds delay) { Advance(delay); }, clocks);
    while (deliverer.DeliverNext() != Deliverer::Step::Empty) {
    }
    EXPECT_EQ(recipients, (std::vector<std::vector<std::string>>{{"c@d", "e@f"}, {"e@f"}}));
    EXPECT_TRUE(state.RefusedRecipients().empty());  // reached later: no longer listed
}

TEST_F(DelivererTest, GivesUpAfterTheLifetimeOnlyOnceItTried) {
    settings.message_lifetime = Seconds(600);
    Queue("Alarm", "Lab1", wall - std::chrono::hours(25));
    Queue("Alarm", "Lab2", wall + std::chrono::hours(5));  // a clock set back since
    reply = [](const std::string&) { return Reply(SendResult::Outcome::Temporary, ""); };
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);  // tried first, not expired
    EXPECT_EQ(outbox.FailedCount(), 0u);
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);  // the "future" one goes now
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(outbox.FailedCount(), 1u);  // the old one, tried once
    EXPECT_EQ(outbox.FailedMessages().at(0).reason.find("not delivered within 600 s"), 0u);
}

TEST_F(DelivererTest, ASentMessageWhoseFileStaysIsNeverSentAgain) {
    const std::string name = Queue("Alarm", "Lab1", wall);
    if (!testing::SetFolderReadOnly(outbox.QueueFolder(), true)) {
        GTEST_SKIP() << "this file system cannot make a folder read-only for root";
    }
    {
        Deliverer deliverer = MakeDeliverer();
        EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Sent);
        EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Empty);
    }
    EXPECT_EQ(MakeDeliverer().DeliverNext(), Deliverer::Step::Empty);  // the next deliverer
    ASSERT_TRUE(testing::SetFolderReadOnly(outbox.QueueFolder(), false));
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(outbox.QueueFolder() / name));
    EXPECT_EQ(MakeDeliverer().DeliverNext(), Deliverer::Step::Empty);
    EXPECT_FALSE(std::filesystem::exists(outbox.QueueFolder() / name));
}

TEST_F(DelivererTest, ARefusedLoginIsTriedAgainOnlyAfterTenMinutes) {
    Queue("Alarm", "Lab1", wall);
    reply = [](const std::string&) {
        return Reply(SendResult::Outcome::Authentication, "535 bad credentials");
    };
    Deliverer deliverer = MakeDeliverer();
    EXPECT_EQ(deliverer.DeliverNext(), Deliverer::Step::Failed);
    Queue("Alarm", "Lab2", wall);
    while (deliverer.DeliverNext() == Deliverer::Step::Waited) {
    }
    EXPECT_EQ(sent.size(), 2u);
    double waited = 0;
    for (const double wait : slept) {
        waited += wait;
    }
    EXPECT_NEAR(waited, 600, 0.01);
}

TEST_F(DelivererTest, MovesAFileThatIsNoMessageToFailedWithTheReason) {
    Queue("Alarm", "Lab1", wall);
    std::ofstream(outbox.QueueFolder() / "00000000000000000001-garbled.mail") << "garbled";
    std::ofstream(outbox.QueueFolder() / "00000000000000000002-huge.mail")
        << "queued=9999999999999999999\nevent=Alarm\nmessage=x";
    EXPECT_EQ(outbox.Messages().size(), 1u);
    const std::vector<FailedMessage> failed = outbox.FailedMessages();
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_NE(failed[1].reason.find("out of range"), std::string::npos);
}

TEST_F(DelivererTest, AMergedMailListsTheAlarmsInTheOrderTheyWereLaunched) {
    state.RecordDelivery(MergeKeyOf({"", wall, "Alarm", "t<br>DI1#Lab1<br>"}), "s", "250", wall,
                         std::chrono::seconds(60));
    std::string error;
    // The second launch read the clock first: its file sorts first.
    ASSERT_TRUE(outbox.Enqueue({"", wall, "Alarm", "14:00:02<br>DI1#Lab1<br>second", 200}, error));
    ASSERT_TRUE(outbox.Enqueue(
        {"", wall + std::chrono::milliseconds(1), "Alarm", "14:00:01<br>DI1#Lab1<br>first", 100},
        error));
    Deliverer deliverer = MakeDeliverer();
    while (deliverer.DeliverNext() != Deliverer::Step::Empty) {
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_LT(sent[0].find("1 of 2: Alarm on Lab1: first"), sent[0].find("2 of 2"));
}

TEST_F(DelivererTest, KeepAliveMailCountsWhatElseWaits) {
    Queue(kKeepAliveEvent, "Lab1", wall);
    state.RecordDelivery(MergeKeyOf({"", wall, "Alarm", "t<br>DI1#Lab2<br>"}), "s", "250", wall,
                         std::chrono::seconds(60));
    Queue("Alarm", "Lab2", wall);
    MakeDeliverer().DeliverNext();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("Outbox: 1 other message waiting; the oldest queued at"),
              std::string::npos);
}

}  // namespace
}  // namespace quillon::agent
