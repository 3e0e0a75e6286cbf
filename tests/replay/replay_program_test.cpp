// SPDX-License-Identifier: MIT
// quillon-replay as a user runs it: against a live headless run of the same scenario, and the
// plot it draws.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::RunningProgram;
using testing::TempDirectory;

// 100 scans a second, so that a live tick reads the scan a replay's tick reads even when it
// comes up to 10 ms late; steps, a square and a sine switch the slots many times in 20 s.
constexpr const char* kScenario =
    "channels 3\n"
    "scan-rate 100\n"
    "channel 0 steps 0.5:5 1.23:0 2.5:5 3.77:0 6.01:4 9.99:0 12.34:5 15.55:0 17.89:5 19:0\n"
    "channel 1 square low=0 high=5 period=3.33 duty=0.4\n"
    "channel 2 sine offset=0 amplitude=2 period=7\n";

constexpr const char* kSettings =
    "[Rig]\n"
    "MathExpression0=#0>3\n"
    "MathExpression1=#1>3\n"
    "MathExpression2=#2>1\n"
    "MathExpression3=(#0>3)&(#1>3)\n"
    "MathExpression4=#C0>3\n"
    "MathExpression5=#ave2>0\n"
    "MathExpression6=#max1>4\n"
    "MathExpression7=0\n"
    "MathExpression8=#2>1.5\n"
    "S8=Set\n"
    "DataWindow=50\n";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const auto at = line.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + key.size();
    const auto end = line.find_first_of(",}", start);
    std::string value = line.substr(start, end - start);
    if (!value.empty() && value.front() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// (tick, slot, new state) of every slot change.
using SlotChange = std::tuple<long, int, std::string>;

std::vector<SlotChange> SlotChanges(const std::string& lines) {
    std::vector<SlotChange> changes;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        if (Field(line, "event") == "slot") {
            changes.emplace_back(std::stol(Field(line, "tick")), std::stoi(Field(line, "slot")),
                                 Field(line, "new"));
        }
    }
    return changes;
}

long LastTick(const std::vector<SlotChange>& changes, const std::string& lines) {
    long last = 0;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        if (!Field(line, "tick").empty()) {
            last = std::max(last, std::stol(Field(line, "tick")));
        }
    }
    return changes.empty() ? 0 : last;
}

class ReplayProgram : public ::testing::Test {
protected:
    ReplayProgram() {
        scenario_ = directory_.Write("rig.scn", kScenario);
        directory_.Write("NorvaneAlarm.ini", kSettings);
    }

    ProgramStart Start(const std::string& program, std::vector<std::string> arguments,
                       const std::string& output) const {
        ProgramStart start;
        start.program = program;
        start.arguments = std::move(arguments);
        start.environment = {{"QUILLON_CONFIG_DIR", directory_.Path().string()},
                             {"XDG_STATE_HOME", (directory_.Path() / "state").string()},
                             {"QUILLON_PELLOMAR", (directory_.Path() / "pellomar").string()}};
        start.standard_output = ::open((directory_.Path() / output).c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        start.standard_error = ::open((directory_.Path() / (output + ".err")).c_str(),
                                      O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        return start;
    }

    int Replay(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {
            scenario_, "-nRig", "--to", "20", "--out", (directory_.Path() / "out").string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        RunningProgram replay(Start(QUILLON_REPLAY_PROGRAM, arguments, "replay.txt"));
        const int status = replay.WaitForExit(std::chrono::seconds(60));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path Out(const std::string& name) const {
        return directory_.Path() / "out" / name;
    }

    TempDirectory directory_;
    std::string scenario_;
};

// The proof that a replay is the live cycle: the first seven seconds or so of the scenario run
// live by the headless front end, and replayed, switch the same slots the same way at the same
// tick numbers. Real time, so kept short: the engine's own tests run on the virtual clock.
TEST_F(ReplayProgram, SwitchesLikeALiveRunAtTheSameTicks) {
    RunningProgram live(Start(QUILLON_HEADLESS_PROGRAM,
                              {"--events-json", "-dsim:" + scenario_, "-nRig"}, "live.jsonl"));
    const auto live_lines_so_far = [this] { return ReadFile(directory_.Path() / "live.jsonl"); };
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            const std::string lines = live_lines_so_far();
            return LastTick(SlotChanges(lines), lines) >= 700;
        },
        std::chrono::seconds(60)));
    live.Signal(SIGTERM);
    ASSERT_NE(live.WaitForExit(), -1);
    ASSERT_EQ(Replay(), 0) << ReadFile(directory_.Path() / "replay.txt.err");

    const std::string live_lines = ReadFile(directory_.Path() / "live.jsonl");
    const std::string replay_lines = ReadFile(Out("events.jsonl"));
    const std::vector<SlotChange> live_changes = SlotChanges(live_lines);
    const std::vector<SlotChange> replay_changes = SlotChanges(replay_lines);
    // The live run ends a little before or after 20 s: compare the ticks both ran.
    const long common =
        std::min(LastTick(live_changes, live_lines), LastTick(replay_changes, replay_lines)) - 1;
    const auto within = [common](std::vector<SlotChange> changes) {
        std::erase_if(changes, [common](const SlotChange& c) { return std::get<0>(c) > common; });
        return changes;
    };
    EXPECT_GE(common, 699);
    EXPECT_GT(within(replay_changes).size(), 20U);
    EXPECT_EQ(within(live_changes), within(replay_changes));
}

// The plot is well-formed XML (Python's own parser), has one trace per channel, and each slot's
// band is shaded in every pixel column within an on-period the event log holds, and only in
// columns that some on-period touches.
TEST_F(ReplayProgram, ThePlotShowsEveryChannelAndTheOnPeriodsOfTheLog) {
    ASSERT_EQ(Replay({"--from", "2"}), 0) << ReadFile(directory_.Path() / "replay.txt.err");
    const char* script = R"(import json, sys, xml.etree.ElementTree as ET
svg = ET.parse(sys.argv[1]).getroot()
ns = '{http://www.w3.org/2000/svg}'
traces = [p for p in svg.iter(ns + 'polyline') if p.get('class') == 'trace']
assert len(traces) == 3, len(traces)
frm, to, left, columns = 2.0, 20.0, 90, 1200
x = lambda t: left + (t - frm) / (to - frm) * columns
on, periods = {}, {}
for line in open(sys.argv[2]):
    e = json.loads(line)
    if e['event'] == 'slot':
        t = e['t']  # seconds into the recording
        if e['new'] == 'on':
            on[e['slot']] = t
        elif e['slot'] in on:
            periods.setdefault(e['slot'], []).append((on.pop(e['slot']), t))
for slot, since in on.items():
    periods.setdefault(slot, []).append((since, to))
assert sum(len(p) for p in periods.values()) > 20, periods
for band in svg.iter(ns + 'g'):
    if band.get('class') != 'band':
        continue
    slot = int(band.get('data-slot'))
    marked = set()
    for r in band:
        if r.get('class') == 'on':
            first = int(r.get('x')) - left
            marked.update(range(first, first + int(r.get('width'))))
    want = periods.get(slot, [])
    assert bool(marked) == bool(want), (slot, marked, want)
    for a, b in want:
        inside = range(int(x(a) - left + 0.01) + 1, int(x(b) - left - 0.01))
        assert set(inside) <= marked, (slot, a, b, sorted(set(inside) - marked))
    for c in marked:
        assert any(x(a) - left < c + 1.01 and x(b) - left > c - 0.01 for a, b in want), (slot, c)
print('ok')
)";
    ProgramStart start =
        Start("/usr/bin/python3",
              {"-c", script, Out("plot.svg").string(), Out("events.jsonl").string()}, "python.txt");
    RunningProgram python(start);
    const int status = python.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << ReadFile(directory_.Path() / "python.txt.err");
    const std::string summary = ReadFile(Out("summary.txt"));
    EXPECT_NE(summary.find("Replay of " + scenario_ + " with the settings of Rig"),
              std::string::npos);
    EXPECT_NE(summary.find("Alarm sounds: "), std::string::npos);
}

TEST_F(ReplayProgram, ABadCsvLineIsNamedWithItsFileAndLine) {
    const std::string csv = directory_.Write("bad.csv", "time,a\n0,1\n0.001,x\n");
    RunningProgram replay(Start(QUILLON_REPLAY_PROGRAM, {csv}, "bad.txt"));
    const int status = replay.WaitForExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(ReadFile(directory_.Path() / "bad.txt.err"),
              "quillon-replay: " + csv + ":3: \"x\" in column \"a\" is not a number\n");
}

}  // namespace
}  // namespace quillon
