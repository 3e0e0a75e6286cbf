// SPDX-License-Identifier: MIT
// End to end: the headless program runs a scenario, launches pellomar, and the mail reaches
// the real SMTP server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>
#include <iostream>

#include "agent/agent_fixture.hpp"

namespace quillon::testing {
namespace {

using std::chrono::seconds;

class HeadlessMail : public AgentFixture {
protected:
    // Runs quillon-headless as instance Lab1 with the e-mail slot on "#0>3.3" until the
    // scenario's host exits; its console output.
    std::string RunQuillon(const std::string& scenario) {
        std::ofstream(config / "NorvaneAlarm.ini") << "[Lab1]\nS9=Set\nMathExpression9=#0>3.3\n";
        const std::string output_path = (temp.Path() / "quillon-output").string();
        const int output =
            open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        {
            RunningProgram quillon(QuillonStart("Lab1", temp.Write("run.scn", scenario), output));
            ExpectCleanExit(quillon);
        }
        close(output);
        return ReadWholeFile(output_path);
    }

    ProgramStart QuillonStart(const std::string& instance, const std::string& scenario,
                              int output = -1) const {
        ProgramStart start;
        start.program = QUILLON_HEADLESS_PROGRAM;
        start.arguments = {"-dsim:" + scenario, "-n" + instance};
        start.environment = {{"QUILLON_CONFIG_DIR", config.string()},
                             {"XDG_STATE_HOME", state.string()},
                             {"QUILLON_PELLOMAR", QUILLON_AGENT_PROGRAM}};
        start.standard_output = output;
        start.standard_error = output;
        return start;
    }

    static void ExpectCleanExit(RunningProgram& program) {
        const int status = program.WaitForExit(std::chrono::seconds(60));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    // The plain-text parts of all mails so far, one after another.
    std::string PlainTexts() const {
        std::string texts;
        for (const std::string& mail : server->Mails()) {
            texts += DecodedMail(mail.substr(0, mail.find("text/html")));
        }
        return texts;
    }

    static int Count(const std::string& text, const std::string& what) {
        int count = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }
};

TEST_F(HeadlessMail, OneAlarmGivesOneMailAndTheHostExitItsNotice) {
    const std::string output = RunQuillon(
        "channels 2\n"
        "channel 0 steps 0:0 0.3:5 text=\"Tank level\"\n"
        "channel 1 constant value=1.25\n"
        "exit-at 0.8\n");
    ASSERT_TRUE(WaitForMails(2, seconds(20))) << output;
    WaitForDeliverersToEnd(seconds(20));
    const std::vector<std::string> mails = server->Mails();
    ASSERT_EQ(mails.size(), 2U);
    const std::string alarm = DecodedMail(mails[0]);
    EXPECT_NE(alarm.find("Subject: [Quillon] Alarm: Lab1 from Line_3"), std::string::npos);
    EXPECT_NE(alarm.find("Alarm on Lab1: #0>3.3 became true at "), std::string::npos) << alarm;
    EXPECT_NE(alarm.find("#0=5_Tank_level"), std::string::npos) << alarm;
    EXPECT_NE(alarm.find("#1=1.25_Channel_1"), std::string::npos) << alarm;
    const std::string exit = DecodedMail(mails[1]);
    EXPECT_NE(exit.find("Subject: [Quillon] Host exit: Lab1 from Line_3"), std::string::npos);
    EXPECT_NE(exit.find("Devce=0"), std::string::npos) << exit;
    EXPECT_NE(output.find("Alarm e-mail queued"), std::string::npos) << output;
}

TEST_F(HeadlessMail, AFlappingInputGivesMergedMailsWithEveryEpisode) {
    mail["MergeWindow"] = "1";
    WriteSettings();
    RunQuillon(
        "channels 1\n"
        "channel 0 square low=0 high=5 period=0.25\n"
        "exit-at 1.6\n");
    const auto queued_alarms = [&] {
        return Count(ReadWholeFile((state / "quillon" / "pellomar.log").string()),
                     "(Alarm@Line_3)");
    };
    ASSERT_TRUE(WaitUntil([&] { return Count(PlainTexts(), "became true at") == queued_alarms(); },
                          seconds(30)))
        << PlainTexts();
    WaitForDeliverersToEnd(seconds(20));
    const int episodes = queued_alarms();
    const int alarm_mails = Count(PlainTexts(), "Subject: [Quillon] Alarm:");
    EXPECT_GE(episodes, 5);
    EXPECT_LT(alarm_mails, episodes);
    EXPECT_EQ(Count(PlainTexts(), "became true at"), episodes);
    EXPECT_EQ(Count(PlainTexts(), "Subject: [Quillon] Host exit:"), 1);
    std::cout << "[ figures ] flapping input: " << episodes << " alarms in " << alarm_mails
              << " mails\n";
}

// A host that goes silent (a gap in the played recording) stops the run; StopEmailAfter=1 tells
// of the stop once it has lasted a second, and --resume-after tells of the run coming back.
TEST_F(HeadlessMail, AHostStopAndTheResumeEachGiveOneMail) {
    std::ofstream(config / "NorvaneAlarm.ini")
        << "[Lab1]\nS9=Set\nMathExpression9=0\nStopEmailAfter=1\n";
    std::string csv = "time,level\n";
    for (int row = 0; row <= 3000; ++row) {
        if (row <= 30 || row >= 190) {  // silent from 0.3 s to 1.9 s
            csv += std::to_string(row / 100.0) + ",1\n";
        }
    }
    temp.Write("gap.csv", csv);
    ProgramStart start = QuillonStart("Lab1", temp.Write("gap.scn", "recording gap.csv\n"));
    start.arguments.insert(start.arguments.begin(), {"--resume-after", "0.2"});
    RunningProgram quillon(start);
    const auto subjects = [&](const std::string& subject) {
        return Count(PlainTexts(), "Subject: [Quillon] " + subject + ": Lab1");
    };
    ASSERT_TRUE(WaitUntil([&] { return subjects("Run resumed") == 1; }, seconds(30)))
        << PlainTexts();
    quillon.Signal(SIGTERM);
    ExpectCleanExit(quillon);
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(subjects("Run stopped"), 1);
    EXPECT_EQ(subjects("Run resumed"), 1);
}

// A latched e-mail slot: one mail for a spike, and the slot on after the spike (DOUT 4, on the
// same equation unlatched, shows when it is over) until SIGUSR1.
TEST_F(HeadlessMail, ALatchedEmailAlarmSendsOnceAndHoldsUntilSigusr1) {
    std::ofstream(config / "NorvaneAlarm.ini")
        << "[Lab1]\nS9=Set\nMathExpression9=#0>3.3\nLatch9=1\nMathExpression4=#0>3.3\n";
    const std::string output_path = (temp.Path() / "quillon-output").string();
    const int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const std::string scenario =
        temp.Write("spike.scn", "channels 1\nchannel 0 steps 0:0 0.2:5 0.6:0\n");
    RunningProgram quillon(QuillonStart("Lab1", scenario, output));
    const auto console = [&] { return ReadWholeFile(output_path); };
    std::size_t latched = std::string::npos;
    ASSERT_TRUE(WaitUntil([&] {
        return (latched = console().find("lamp e-mail alarm latched")) != std::string::npos;
    })) << console();
    const auto after_latch = [&](const std::string& what) {
        return console().find(what, latched) != std::string::npos;
    };
    ASSERT_TRUE(WaitUntil([&] { return after_latch("lamp D4 green (off)"); })) << console();
    ASSERT_TRUE(WaitForMails(1, seconds(20))) << console();
    EXPECT_FALSE(after_latch("lamp e-mail alarm green (off)")) << console();
    quillon.Signal(SIGUSR1);
    EXPECT_TRUE(WaitUntil([&] { return after_latch("lamp e-mail alarm green (off)"); }))
        << console();
    quillon.Signal(SIGTERM);
    ExpectCleanExit(quillon);
    close(output);
    WaitForDeliverersToEnd(seconds(20));
    EXPECT_EQ(Count(PlainTexts(), "Subject: [Quillon] Alarm: Lab1"), 1) << PlainTexts();
    EXPECT_TRUE(after_latch("SIGUSR1: 1 latch acknowledged")) << console();
}

}  // namespace
}  // namespace quillon::testing
