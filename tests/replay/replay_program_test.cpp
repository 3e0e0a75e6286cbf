// SPDX-License-Identifier: MIT
// quillon-replay as a user runs it: the plot it draws, and its failures. That a replay switches
// like a live run is shown on virtual clocks (replay_live_test.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"
#include "replay/rig_scenario.hpp"

namespace quillon {
namespace {

using testing::ProgramStart;
using testing::RunningProgram;
using testing::TempDirectory;

using testing::kRigScenario;
using testing::kRigSettings;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReplayProgram : public ::testing::Test {
protected:
    ReplayProgram() {
        scenario_ = directory_.Write("rig.scn", kRigScenario);
        directory_.Write("NorvaneAlarm.ini", kRigSettings);
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
