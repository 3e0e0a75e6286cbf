// SPDX-License-Identifier: MIT
// The event log under faults a long unattended run meets: its folder deleted, a full disk,
// names and texts that are not UTF-8, long names, names that differ only in a separator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "app/application.hpp"
#include "app/event_logging.hpp"
#include "events/rotating_event_file.hpp"
#include "fakes/fake_ports.hpp"
#include "fakes/file_size_limit.hpp"
#include "fakes/recording_host.hpp"
#include "fakes/temp_directory.hpp"
#include "headless/running_program.hpp"

namespace quillon {
namespace {

using testing::FakePorts;
using testing::FileSizeLimit;
using testing::RecordingHost;
using testing::TempDirectory;

// Counts the lines every event makes, whatever became of them in the file.
class CountingLines final : public EventLines {
public:
    using EventLines::EventLines;
    std::uint64_t lines = 0;

protected:
    void Emit(std::string_view) override { ++lines; }
};

std::string Hex(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xf];
    }
    return out;
}

// What Python's json makes of a log file: "EVENTS LOST" (lines that are not log_gap, and the
// sum of the log_gap counts), or a failure when a line is cut, not UTF-8, not JSON, or names
// another instance.
std::string CheckWithPython(const std::filesystem::path& file, const std::string& instance,
                            const TempDirectory& directory) {
    const char* script =
        "import json, sys\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "assert data.endswith(b'\\n'), 'a cut line at the end'\n"
        "name = bytes.fromhex(sys.argv[2]).decode('utf-8', 'replace')\n"
        "events = lost = 0\n"
        "for raw in data.split(b'\\n')[:-1]:\n"
        "    e = json.loads(raw.decode('utf-8'))\n"
        "    assert e['instance'] == name, (e, name)\n"
        "    assert isinstance(e['time'], str), e\n"
        "    if e['event'] == 'log_gap':\n"
        "        lost += e['lost']\n"
        "    else:\n"
        "        events += 1\n"
        "print(events, lost)\n";
    const std::string output = (directory.Path() / "python.out").string();
    testing::ProgramStart start;
    start.program = "/usr/bin/python3";
    start.arguments = {"-c", script, file.string(), Hex(instance)};
    start.standard_output = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    start.standard_error = 2;
    int status = 0;
    {
        testing::RunningProgram python(start);
        status = python.WaitForExit();
    }
    ::close(start.standard_output);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "python failed";
    }
    std::string text = testing::ReadWholeFile(output);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

enum class Fault { None, FolderDeleted, DiskFull };

struct LogFaultCase {
    const char* name;
    std::string instance;
    Fault fault;
    std::string file_name;  // empty: a shortened name, checked by its form
    std::string mode_text = "Set";
};

const LogFaultCase kLogFaultCases[] = {
    {"FolderDeletedDuringTheRun", "Lab1", Fault::FolderDeleted, "Lab1.jsonl"},
    {"FullDisk", "Lab1", Fault::DiskFull, "Lab1.jsonl"},
    {"InvalidUtf8NameAndText", "Lab\xff\xfe", Fault::None, "Lab%FF%FE.jsonl", "Se\xc3\x28t\xff"},
    {"LongName", std::string(300, 'L'), Fault::None, ""},
    {"SlashInTheName", "A/B", Fault::None, "A%2FB.jsonl"},
    {"UnderscoreInTheName", "A_B", Fault::None, "A_B.jsonl"},
};

class LogFault : public ::testing::TestWithParam<LogFaultCase> {
protected:
    LogFault() {
        host.block = SampleBlock(4, 1);
        ports.profiles.files["NorvaneAlarm.ini"] =
            "[" + GetParam().instance +
            "]\nMathExpression0=#0>1\nS0=Set\nS2=" + GetParam().mode_text + "\n";
    }

    void Ticks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            host.block.Set(0, 0, tick % 2 == 0 ? 2.0 : 0.0);  // slot 0 switches every tick
            ports.clock.SleepUntil(ports.clock.monotonic + std::chrono::milliseconds(10));
            application.ScanTick();
        }
    }

    TempDirectory directory;
    RecordingHost host;
    FakePorts ports;
    Application application{ports.With(host)};
};

// Every line parses, none is cut, each names its instance, and every event is either in the
// file or counted in a log_gap line.
TEST_P(LogFault, EveryLineParsesAndEveryLossIsCounted) {
    const LogFaultCase& c = GetParam();
    const std::filesystem::path folder = directory.Path() / "events";
    EventLogging logging(application, ports.clock, folder);
    CountingLines counter(ports.clock);
    logging.AddSink(&counter);
    application.Load("-dsim -n" + c.instance);
    logging.AttachInstanceFile();
    Ticks(150);
    std::uint64_t before_fault = 0;
    if (c.fault == Fault::FolderDeleted) {
        logging.Log().Flush();
        std::filesystem::remove_all(folder);
        before_fault = counter.lines;  // those lines went with the folder
        Ticks(300);
    } else if (c.fault == Fault::DiskFull) {
        const FileSizeLimit full(std::filesystem::file_size(logging.InstanceFile()) + 3000);
        Ticks(300);
    }
    Ticks(150);
    application.Unload();
    logging.Log().Flush();

    const std::filesystem::path file = logging.InstanceFile();
    if (c.file_name.empty()) {
        const std::string name = file.filename().string();
        EXPECT_EQ(name.size(), kLongestFileStem + 6) << name;
        EXPECT_EQ(name.find(std::string(20, 'L')), 0U) << name;
        EXPECT_NE(name.find("%~"), std::string::npos) << name;
    } else {
        EXPECT_EQ(file.filename().string(), c.file_name);
    }
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const std::uint64_t lost = logging.Log().LostLines();
    EXPECT_EQ(CheckWithPython(file, c.instance, directory),
              std::to_string(counter.lines - before_fault - lost) + " " + std::to_string(lost));
    EXPECT_EQ(lost > 0, c.fault == Fault::DiskFull) << lost;
    // A file made again begins by saying so.
    EXPECT_EQ(testing::ReadWholeFile(file.string()).find(R"("lost":0,"file_made_again":true})") !=
                  std::string::npos,
              c.fault == Fault::FolderDeleted);
}

INSTANTIATE_TEST_SUITE_P(EventLog, LogFault, ::testing::ValuesIn(kLogFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
