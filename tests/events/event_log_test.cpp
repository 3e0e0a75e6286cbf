// SPDX-License-Identifier: MIT
#include "events/event_log.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/application.hpp"
#include "app/event_logging.hpp"
#include "events/iso_time.hpp"
#include "fakes/fake_ports.hpp"
#include "fakes/memory_event_file.hpp"
#include "fakes/recording_host.hpp"
#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::FakePorts;
using testing::MemoryEventFile;
using testing::RecordingHost;
using testing::TempDirectory;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string EventOf(const std::string& line) {
    const std::string key = "\"event\":\"";
    const auto start = line.find(key) + key.size();
    return line.substr(start, line.find('"', start) - start);
}

// A whole Application whose events go to a log in memory.
class EventLogRun : public ::testing::Test {
protected:
    EventLogRun() {
        host.block = SampleBlock(4, 1);
        host.block.Set(0, 0, 0.0);
        ports.profiles.files["NorvaneAlarm.ini"] = "[Lab1]\n";
        ports.profiles.files["NorvaneAlarm.ini"] +=
            ("MathExpression0=#0>1\nMathExpression8=#0>1\nMathExpression9=#0>1\nS9=Set\n"
             "MathExpression7=0\nS8=Set\nS2=a\"b\\c\td\nS6=Force Reset\nAlarmInterval=0\n");
        for (int slot : {1, 2, 3, 4, 5, 6}) {  // off
            ports.profiles.files["NorvaneAlarm.ini"] +=
                "MathExpression" + std::to_string(slot) + "=0\n";
        }
        auto memory = std::make_unique<MemoryEventFile>();
        file = memory.get();
        log.AttachFile(std::move(memory));
        application.SetEventSink(&log);
    }
    ~EventLogRun() override { application.SetEventSink(nullptr); }

    void Tick(double channel0) {
        host.block.Set(0, 0, channel0);
        ports.clock.SleepUntil(ports.clock.monotonic + std::chrono::milliseconds(10));
        application.ScanTick();
    }

    std::vector<std::string> LoggedLines() {
        log.Flush();
        return Lines(file->Text());
    }

    RecordingHost host;
    FakePorts ports;
    Application application{ports.With(host)};
    std::vector<std::string> reports;
    EventLog log{ports.clock, [this](const std::string& problem) { reports.push_back(problem); }};
    MemoryEventFile* file = nullptr;
};

// One scripted run that makes every kind of event: the settings' modes, a start, slots that
// switch on an equation, the alarms and the e-mail agent, a key, a hot key and the window's
// Global Key switch, a failed output write that stops the run, and the host's exit.
TEST_F(EventLogRun, AScriptedRunLogsEveryKindOfEventWithItsFields) {
    application.Load("-dsim -nLab1");
    Tick(0.0);
    Tick(2.0);
    ports.launcher.finished.push_back(
        {"pellomar", ports.launcher.launched.at(0).arguments, true, 0});
    application.AgentsFinished();
    application.CharacterTyped('a');
    application.GetPanel().SetGlobalKeys(true);
    ports.keys.held = {17, 18, 'W'};
    Tick(2.0);
    ports.keys.held.clear();
    host.fail_writes = true;
    application.CharacterTyped('s');
    Tick(2.0);
    application.HostExited();

    const std::vector<std::string> lines = LoggedLines();
    struct Expected {
        const char* event;
        const char* fields;
    };
    const Expected expected[] = {
        {"mode", R"("slot":2,"old":"Set","new":"a\"b\\c\td","switch":2,"source":"settings")"},
        {"mode", R"("slot":6,"old":"Set","new":"Force Reset","switch":3,"source":"settings")"},
        {"switch", R"("name":"Math Expression","value":1,"source":"settings")"},
        {"run_start", R"("tick":0,"event":"run_start")"},
        {"slot",
         R"("tick":1,"event":"slot","slot":0,"mode":"Set","old":"none","new":"off","equation":"#0>1","substituted":".>1","value":0})"},
        {"output",
         R"("tick":1,"event":"output","word":0,"layout":"low byte","forced":true,"manual":false,"written":true})"},
        {"slot",
         R"("tick":2,"event":"slot","slot":0,"mode":"Set","old":"off","new":"on","equation":"#0>1","substituted":"2.>1","value":1})"},
        {"output", R"("tick":2,"event":"output","word":1,"layout":"low byte","forced":false)"},
        {"alarm_start", R"("tick":2,"event":"alarm_start"})"},
        {"agent_launch", R"("event_word":"Alarm","message":")"},
        {"agent_launch", R"(<br>DI2108#Lab1<br>#0>1<br><br>#0=2)"},
        {"agent_exit", R"("event_word":"Alarm","exited":true,"status":0,"outcome":"Alarm e-mail )"},
        {"mode", R"("slot":0,"old":"Set","new":"Force Reset","switch":3,"source":"key")"},
        {"switch", R"("name":"Global Key","value":1,"source":"window")"},
        {"mode",
         R"("tick":3,"event":"mode","slot":1,"old":"Set","new":"Force Set","switch":1,"source":"hot key")"},
        {"slot",
         R"("tick":3,"event":"slot","slot":0,"mode":"Force Reset","old":"on","new":"off"})"},
        {"slot", R"("tick":3,"event":"slot","slot":1,"mode":"Force Set","old":"off","new":"on"})"},
        {"output",
         R"("tick":3,"event":"output","word":2,"layout":"low byte","forced":false,"manual":false,"written":true})"},
        {"output",
         R"("tick":4,"event":"output","word":0,"layout":"low byte","forced":false,"manual":false,"written":false,"error":"write failed"})"},
        {"alarm_stop", R"("tick":4,"event":"alarm_stop"})"},
        {"run_stop", R"("tick":4,"event":"run_stop","reason":"write failed"})"},
        {"host_exit", R"("tick":4,"event":"host_exit"})"},
        {"agent_launch", R"("event_word":"WinDaq_Exits")"},
    };
    for (const Expected& entry : expected) {
        const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return EventOf(line) == entry.event && line.find(entry.fields) != std::string::npos;
        });
        EXPECT_TRUE(found) << entry.event << " " << entry.fields;
    }
}

// Every line is one JSON object with the common fields, checked by Python's own parser.
TEST_F(EventLogRun, EveryLineIsAJsonObjectWithTimeMonotonicTimeAndTick) {
    ports.clock.wall = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 50));
    application.Load("-dsim -nLab1");
    Tick(0.0);
    Tick(2.0);
    log.Flush();
    TempDirectory directory;
    const std::string lines_file = directory.Write("events.jsonl", file->Text());
    const char* script =
        "import json, re, sys\n"
        "n = 0\n"
        "for line in open(sys.argv[1]):\n"
        "    e = json.loads(line)\n"
        "    assert "
        "re.fullmatch(r'\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d',"
        " e['time']), e\n"
        "    assert isinstance(e['t'], float) and isinstance(e['tick'], int), e\n"
        "    assert isinstance(e['event'], str), e\n"
        "    n += 1\n"
        "assert n > 10, n\n";
    testing::ProgramStart start;
    start.program = "/usr/bin/python3";
    start.arguments = {"-c", script, lines_file};
    start.standard_error = 2;
    testing::RunningProgram python(start);
    const int status = python.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << file->Text();
}

// Lines wait in memory and go out in one write at most once a second, and at once when a run
// stops; never twice in one tick.
TEST_F(EventLogRun, LinesGoOutOnceASecondAndAtStopInOneWriteEach) {
    application.Load("-dsim -nLab1");
    Tick(0.0);
    EXPECT_TRUE(file->writes.empty());
    for (int tick = 0; tick < 99; ++tick) {
        Tick(tick % 2 == 0 ? 2.0 : 0.0);  // a change on every tick
    }
    EXPECT_EQ(file->writes.size(), 1U);
    Tick(2.0);
    EXPECT_EQ(file->writes.size(), 1U);
    application.StartStopClicked();
    ASSERT_EQ(file->writes.size(), 2U);
    EXPECT_NE(file->writes.back().find(R"("event":"run_stop","reason":"operator")"),
              std::string::npos);
}

// A replay's log: 20 s of a change on every tick is one block, written at the stop, and
// the lines are those the once-a-second log writes.
TEST_F(EventLogRun, LargeBlocksKeepTheLinesUntilTheStop) {
    log.WriteInLargeBlocks();
    application.Load("-dsim -nLab1");
    for (int tick = 0; tick < 2000; ++tick) {
        Tick(tick % 2 == 0 ? 2.0 : 0.0);
    }
    EXPECT_TRUE(file->writes.empty());
    application.StartStopClicked();
    ASSERT_EQ(file->writes.size(), 1U);
    const std::vector<std::string> lines = Lines(file->Text());
    // Three slots switch on every tick, after the first lines of every slot.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return EventOf(line) == "slot"; }),
              2000 * 3 + 7);
    EXPECT_EQ(EventOf(lines.back()), "run_stop");
}

// The time of a stream of moments, looked up once a second, is the one looked up each time,
// across a second, a minute and a day and back again.
TEST(IsoTimeFormatterTest, GivesTheTextOfEachMoment) {
    using namespace std::chrono;
    const system_clock::time_point base =
        sys_days{year{2026} / 12 / 31} + hours{23} + minutes{59} + seconds{58};
    IsoTimeFormatter formatter;
    for (const int millis : {0, 1, 999, 1000, 1001, 1999, 2000, 2345, 2345, 1500, 5, 86400000}) {
        const system_clock::time_point when = base + milliseconds{millis};
        EXPECT_EQ(formatter.Format(when), IsoLocalTime(when)) << millis;
    }
}

// A file that cannot be written is reported once, never stops the run, and the lines lost
// are counted in the first line that gets through again.
TEST_F(EventLogRun, AFailingFileIsReportedOnceAndTheRunGoesOn) {
    file->failure = "No space left on device";
    application.Load("-dsim -nLab1");
    for (int tick = 0; tick < 350; ++tick) {
        Tick(tick % 2 == 0 ? 2.0 : 0.0);
    }
    EXPECT_TRUE(application.GetPanel().ScanTimerEnabled());
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_EQ(reports[0],
              "Event log not written (No space left on device); the run goes on without it");
    EXPECT_GT(log.LostLines(), 300U);
    file->failure.clear();
    Tick(2.0);
    const std::vector<std::string> lines = LoggedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(EventOf(lines.front()), "log_gap");
    EXPECT_EQ(lines.front().rfind(R"({"time":")", 0), 0U) << lines.front();
    EXPECT_NE(lines.front().find(R"(,"lost":)" + std::to_string(log.LostLines()) + "}"),
              std::string::npos)
        << lines.front();
}

// A file where the state folder should be: as good as a read-only folder, also for root.
TEST(EventLogging, AStateFolderThatCannotBeMadeShowsInTheStatusOnceAndStopsNothing) {
    TempDirectory directory;
    RecordingHost host;
    host.block = SampleBlock(4, 1);
    FakePorts ports;
    Application application{ports.With(host)};
    EventLogging logging(application, ports.clock,
                         std::filesystem::path(directory.Write("events", "")) / "inner");
    application.Load("-dsim -nLab1");
    logging.AttachInstanceFile();
    std::vector<std::string> statuses;
    for (int tick = 0; tick < 300; ++tick) {
        application.GetPanel().SetEquation(0, tick % 2 == 0 ? "1" : "0");
        ports.clock.SleepUntil(ports.clock.monotonic + std::chrono::milliseconds(10));
        application.ScanTick();
        if (statuses.empty() || statuses.back() != application.GetPanel().Status()) {
            statuses.push_back(application.GetPanel().Status());
        }
    }
    EXPECT_TRUE(application.GetPanel().ScanTimerEnabled());
    ASSERT_EQ(statuses.size(), 2U);
    EXPECT_EQ(statuses[1].rfind("Event log not written (", 0), 0U) << statuses[1];
    EXPECT_NE(statuses[1].find("inner"), std::string::npos) << statuses[1];
}

}  // namespace
}  // namespace quillon
