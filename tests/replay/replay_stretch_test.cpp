// SPDX-License-Identifier: MIT
// Replays of part of a recording, of recordings with gaps, of a host that exits, and replays
// that must not start, each held against what a replay of the whole recording says.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "fakes/file_size_limit.hpp"
#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::ReadWholeFile;
using testing::RunningProgram;
using testing::TempDirectory;

// Steps inside and at the edges of the windows below; the scenario has no end of its own.
constexpr const char* kSteps =
    "channels 1\n"
    "scan-rate 100\n"
    "channel 0 steps 5:5 12.3:0 25:5 33.3:0 45.5:5 50:0 61.2:5 70:0 88.8:5 95:0\n";

constexpr const char* kSettings =
    "[Rig]\nMathExpression0=#0>1\nMathExpression8=#0>1\nS8=Set\nMathExpression1=0\n"
    "MathExpression2=0\nMathExpression3=0\nMathExpression4=0\nMathExpression5=0\n"
    "MathExpression6=0\nMathExpression7=0\n";

// 100 scans a second: 15 s, an hour without rows, 15 s; a one-second pulse in each stretch.
std::string GapCsv() {
    std::string csv = "time,level\n";
    const auto add = [&csv](double from, double pulse) {
        for (int row = 0; row < 1500; ++row) {
            const double t = from + row / 100.0;
            csv += std::to_string(t) + "," + (t >= pulse && t < pulse + 1.0 ? "5" : "0") + "\n";
        }
    };
    add(0.0, 5.0);
    add(3615.0, 3620.0);
    return csv;
}

std::string Field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const auto at = line.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + key.size();
    std::string value = line.substr(start, line.find_first_of(",}", start) - start);
    if (!value.empty() && value.front() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// What the log says happened: event, slot and new state, at a recording time.
struct Happening {
    std::string what;
    double t;
};

std::vector<Happening> Happenings(const std::string& lines, double from, double to) {
    std::vector<Happening> found;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const double t = std::stod(Field(line, "t"));
        const std::string event = Field(line, "event");
        // A run's first look at a slot ("none") is where that replay began, not a change.
        if (t <= from || t >= to || (event == "slot" && Field(line, "old") == "none")) {
            continue;
        }
        if (event == "slot" || event == "alarm_start" || event == "alarm_stop" ||
            event == "host_exit" || event == "run_start" || event == "run_stop") {
            found.push_back({event + " " + Field(line, "slot") + " " + Field(line, "new"), t});
        }
    }
    return found;
}

std::string Text(const std::vector<Happening>& happenings) {
    std::ostringstream text;
    for (const Happening& h : happenings) {
        text << h.what << " at " << h.t << "\n";
    }
    return text.str();
}

struct StretchCase {
    const char* name;
    std::string recording;  // file name in the folder: rig.scn, exit.scn or gaps.csv
    std::vector<std::string> options;
    int status;
    std::vector<std::string> output;  // in standard output (the summary) or error, in turn
    // Happenings expected within (from, to), as "what at t"; empty: those of the whole replay.
    std::vector<std::string> happenings;
    double from = 0.0;
    double to = 100.0;
};

const StretchCase kStretchCases[] = {
    {"FromFortyToSixty",
     "rig.scn",
     {"--from", "40", "--to", "60"},
     0,
     {"from 0:40.000 to 1:00"},
     {},
     40,
     60},
    {"FromFortyFive", "rig.scn", {"--from", "45", "--to", "100"}, 0, {}, {}, 45, 100},
    {"ToTwelve", "rig.scn", {"--to", "12.3"}, 0, {}, {}, 0, 12.3},
    {"WindowOnAStep", "rig.scn", {"--from", "12.3", "--to", "33.3"}, 0, {}, {}, 12.3, 33.3},
    {"GapsStopTheRun",
     "gaps.csv",
     {"--gaps", "stop"},
     0,
     {"Gaps in the recording (no scans for over twice the median period): 1; the host had no new "
      "scans",
      "  from 0:15.000 to 1:00:15.000\n", "The run stopped at 0:15.000: host read failed"},
     {"slot 0 on at 5", "slot 8 on at 5", "alarm_start   at 5", "slot 0 off at 6",
      "slot 8 off at 6", "alarm_stop   at 6", "run_stop   at 15", "run_start   at 3615",
      "slot 0 on at 3620", "slot 8 on at 3620", "alarm_start   at 3620", "slot 0 off at 3621",
      "slot 8 off at 3621", "alarm_stop   at 3621"},
     0,
     3629},
    {"GapsHoldTheLastScan",
     "gaps.csv",
     {"--gaps", "hold"},
     0,
     {"Gaps in the recording (no scans for over twice the median period): 1; the last scan was "
      "held"},
     {"slot 0 on at 5", "slot 8 on at 5", "alarm_start   at 5", "slot 0 off at 6",
      "slot 8 off at 6", "alarm_stop   at 6", "slot 0 on at 3620", "slot 8 on at 3620",
      "alarm_start   at 3620", "slot 0 off at 3621", "slot 8 off at 3621", "alarm_stop   at 3621"},
     0,
     3629},
    {"ExitAtEndsTheReplayAsLive",
     "exit.scn",
     {},
     0,
     {"The host exited at 0:30.0"},
     {"slot 0 on at 5", "slot 8 on at 5", "alarm_start   at 5", "slot 0 off at 12.3",
      "slot 8 off at 12.3", "alarm_stop   at 12.3", "slot 0 on at 25", "slot 8 on at 25",
      "alarm_start   at 25", "host_exit   at 30", "alarm_stop   at 30", "run_stop   at 30"},
     0,
     100},
    {"UnknownInstance",
     "rig.scn",
     {"-nRgi", "--to", "10"},
     1,
     {"quillon-replay: -nRgi: ", " has no section [Rgi]; its sections are [Rig]\n"},
     {}},
    {"OutputFolderIsAFile",
     "rig.scn",
     {"--to", "10", "--out", "rig.scn/out"},
     1,
     {"rig.scn/out: cannot make the output folder"},
     {}},
};

class ReplayStretch : public ::testing::TestWithParam<StretchCase> {
protected:
    ReplayStretch() {
        directory_.Write("rig.scn", kSteps);
        directory_.Write("exit.scn", std::string(kSteps) + "exit-at 30\n");
        directory_.Write("gaps.csv", GapCsv());
        directory_.Write("NorvaneAlarm.ini", kSettings);
    }

    // Runs quillon-replay in the folder; its exit status.
    int Replay(const std::string& recording, std::vector<std::string> options,
               const std::string& out) {
        std::vector<std::string> arguments = {(directory_.Path() / recording).string(), "-nRig",
                                              "--out", (directory_.Path() / out).string()};
        for (std::string& option : options) {
            if (option.rfind("rig.scn/", 0) == 0) {
                option = (directory_.Path() / option).string();
            }
        }
        arguments.insert(arguments.end(), options.begin(), options.end());
        ProgramStart start;
        start.program = QUILLON_REPLAY_PROGRAM;
        start.arguments = arguments;
        start.environment = {{"QUILLON_CONFIG_DIR", directory_.Path().string()},
                             {"XDG_STATE_HOME", (directory_.Path() / "state").string()}};
        start.standard_output = Open(out + ".txt");
        start.standard_error = Open(out + ".err");
        RunningProgram replay(start);
        const int status = replay.WaitForExit(std::chrono::seconds(120));
        ::close(start.standard_output);
        ::close(start.standard_error);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Open(const std::string& name) const {
        return ::open((directory_.Path() / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      0644);
    }
    std::string Read(const std::string& name) const {
        return ReadWholeFile((directory_.Path() / name).string());
    }

    TempDirectory directory_;
};

TEST_P(ReplayStretch, SaysWhatTheWholeReplaySaysAtTheSameRecordingTimes) {
    const StretchCase& c = GetParam();
    // A replay of the part -n chose, into its own folder.
    std::vector<std::string> options = c.options;
    if (!options.empty() && options[0].rfind("-n", 0) == 0) {
        options.erase(options.begin());
        options.push_back("-nRgi");
    }
    ASSERT_EQ(Replay(c.recording, options, "part"), c.status) << Read("part.err");
    const std::string said = Read("part.txt") + Read("part.err");
    for (const std::string& text : c.output) {
        EXPECT_NE(said.find(text), std::string::npos) << text << "\n" << said;
    }
    if (c.status != 0) {
        return;
    }
    const std::string part = Read("part/events.jsonl");
    std::string expected;
    if (c.happenings.empty()) {
        ASSERT_EQ(Replay(c.recording, {"--to", "100"}, "whole"), 0) << Read("whole.err");
        expected = Text(Happenings(Read("whole/events.jsonl"), c.from, c.to));
        EXPECT_NE(expected, "");
    } else {
        for (const std::string& h : c.happenings) {
            expected += h + "\n";
        }
    }
    // Ticks fall on the same 10 ms grid in both: times agree to the millisecond.
    std::vector<Happening> got = Happenings(part, c.from, c.to);
    for (Happening& h : got) {
        h.t = std::round(h.t * 100.0) / 100.0;
    }
    EXPECT_EQ(Text(got), expected);
}

INSTANTIATE_TEST_SUITE_P(Replay, ReplayStretch, ::testing::ValuesIn(kStretchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A disk that fills up during the replay: the summary still shows and the exit says it
// failed; the log keeps whole lines only.
TEST(ReplayOutput, AFullDiskStillShowsTheSummaryAndFails) {
    TempDirectory directory;
    const std::string scenario = directory.Write(
        "busy.scn", "channels 1\nscan-rate 100\nchannel 0 square low=0 high=5 period=0.1\n");
    directory.Write("NorvaneAlarm.ini", kSettings);
    ProgramStart start;
    start.program = QUILLON_REPLAY_PROGRAM;
    start.arguments = {scenario, "-nRig", "--to",
                       "60",     "--out", (directory.Path() / "out").string()};
    start.environment = {{"QUILLON_CONFIG_DIR", directory.Path().string()}};
    start.standard_output = ::open((directory.Path() / "summary.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    start.standard_error = 2;
    int status = -1;
    {
        const testing::FileSizeLimit full(64 * 1024);  // the child inherits it
        RunningProgram replay(start);
        status = replay.WaitForExit(std::chrono::seconds(60));
    }
    ::close(start.standard_output);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string summary = ReadWholeFile((directory.Path() / "summary.out").string());
    EXPECT_NE(summary.find("DOUT 0"), std::string::npos) << summary;
    const std::string log = ReadWholeFile((directory.Path() / "out" / "events.jsonl").string());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
}

// Channel names that are not UTF-8 (a CSV from an old logger) leave the plot well-formed XML
// and every log line JSON, as Python's own parsers read them.
TEST(ReplayOutput, NamesThatAreNotUtf8KeepThePlotAndTheLogReadable) {
    TempDirectory directory;
    std::string csv = "time,lev\xe9l \xff<&>,\x01flow\n";
    for (int row = 0; row < 300; ++row) {
        csv += std::to_string(row / 100.0) + "," + (row > 150 ? "5" : "0") + ",1\n";
    }
    const std::string recording = directory.Write("old.csv", csv);
    directory.Write("NorvaneAlarm.ini", kSettings);
    const std::string out = (directory.Path() / "out").string();
    ProgramStart start;
    start.program = QUILLON_REPLAY_PROGRAM;
    start.arguments = {recording, "-nRig", "--out", out};
    start.environment = {{"QUILLON_CONFIG_DIR", directory.Path().string()}};
    RunningProgram replay(start);
    const int status = replay.WaitForExit(std::chrono::seconds(60));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const char* script =
        "import json, sys, xml.etree.ElementTree as ET\n"
        "svg = ET.parse(sys.argv[1]).getroot()\n"
        "texts = ''.join(t.text or '' for t in svg.iter('{http://www.w3.org/2000/svg}text'))\n"
        "assert '\\ufffd' in texts, texts\n"
        "events = [json.loads(l.decode('utf-8')) for l in open(sys.argv[2], 'rb')]\n"
        "assert any(e['event'] == 'slot' and e['new'] == 'on' for e in events), events\n";
    ProgramStart python;
    python.program = "/usr/bin/python3";
    python.arguments = {"-c", script, out + "/plot.svg", out + "/events.jsonl"};
    python.standard_error = 2;
    RunningProgram check(python);
    const int parsed = check.WaitForExit();
    EXPECT_TRUE(WIFEXITED(parsed) && WEXITSTATUS(parsed) == 0);
}

}  // namespace
}  // namespace quillon
