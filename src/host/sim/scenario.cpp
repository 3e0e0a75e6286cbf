// SPDX-License-Identifier: MIT
#include "host/sim/scenario.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <system_error>

#include "host/sim/scenario_parser.hpp"
#include "platform/os_functions.hpp"

namespace quillon::sim {

namespace {

// Kept as scenario text so that the demo is also a worked example of the format.
constexpr const char* kDemoScenario = R"(# Quillon demo instrument
channels 4
scan-rate 1000
identification "Quillon demo instrument"
model 0
host-value 1.0
# Rises through 3.3 at 1.5 s and falls back at 4.5 s, every 6 s: "#0>3.3" blinks.
channel 0 sine offset=3.3 amplitude=2 period=6 phase=-90 text="Tank level"
channel 1 ramp from=0 to=10 period=20 text="Flow"
channel 2 noise mean=0 amplitude=0.5 seed=7 text="Vibration"
channel 3 square low=0 high=255 period=2 digital text="Digital inputs"
)";

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
    throw ScenarioError(path + ": " + problem);
}

[[noreturn]] void RefuseWithReason(const std::string& path, const std::string& action, int reason) {
    Refuse(path, action + ": " + std::generic_category().message(reason));
}

// Closes the descriptor on every path.
class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int Descriptor() const { return fd_; }

private:
    int fd_;
};

// The whole file, which must be a regular file of at most kMaxScenarioBytes; the bound holds
// even for a file that grows while it is read.
std::string ReadScenarioText(const std::string& path) {
    const OpenFile file(OpenForReading(path));
    if (file.Descriptor() < 0) {
        RefuseWithReason(path, "cannot open", errno);
    }
    struct stat status {};
    if (::fstat(file.Descriptor(), &status) != 0) {
        RefuseWithReason(path, "cannot read", errno);
    }
    if (!S_ISREG(status.st_mode)) {
        Refuse(path, "not a regular file");
    }
    std::string text;
    char chunk[8192];
    for (;;) {
        const ssize_t got = ::read(file.Descriptor(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            RefuseWithReason(path, "cannot read", errno);
        }
        if (got == 0) {
            return text;
        }
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kMaxScenarioBytes) {
            Refuse(path, "too large: a scenario file has at most " +
                             std::to_string(kMaxScenarioBytes) + " bytes");
        }
    }
}

}  // namespace

Scenario ParseScenario(std::istream& in, const std::string& source_name) {
    return ScenarioParser(source_name).Parse(in);
}

Scenario LoadScenarioFile(const std::string& path) {
    std::istringstream text(ReadScenarioText(path));
    return ParseScenario(text, path);
}

std::string DemoScenarioText() {
    return kDemoScenario;
}

Scenario DemoScenario() {
    std::istringstream text(kDemoScenario);
    return ParseScenario(text, "demo");
}

Scenario RecordingScenario(std::shared_ptr<const Recording> recording, bool loop) {
    Scenario scenario;
    scenario.identification = "Quillon recording " + recording->source;
    UseRecording(scenario, std::move(recording), loop);
    return scenario;
}

void UseRecording(Scenario& scenario, std::shared_ptr<const Recording> recording, bool loop) {
    scenario.channels.assign(static_cast<std::size_t>(recording->Channels()), Scenario::Channel{});
    for (int channel = 0; channel < recording->Channels(); ++channel) {
        Scenario::Channel& entry = scenario.channels[static_cast<std::size_t>(channel)];
        entry.text = recording->channel_names[static_cast<std::size_t>(channel)];
        entry.digital_input = channel == recording->digital_channel;
    }
    scenario.scan_rate = recording->scan_rate;
    scenario.recording = std::move(recording);
    scenario.loop_recording = loop;
}

}  // namespace quillon::sim
