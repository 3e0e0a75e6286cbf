// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/sim/recording.hpp"
#include "host/sim/scenario_error.hpp"
#include "host/sim/waveform.hpp"

namespace quillon::sim {

inline constexpr int kMaxScenarioChannels = 256;
// A scenario is a page or two of text; the bound stops a wrong path (a disk image, a device, a
// log) from being read whole into memory.
inline constexpr std::size_t kMaxScenarioBytes = std::size_t{1024} * 1024;

// Everything the simulated instrument answers with.
struct Scenario {
    struct Channel {
        Waveform waveform = Waveform::Constant(0.0);
        double upper_range = 10.0;   // UpperRange, the first range value
        double lower_range = -10.0;  // LowerRange, the second range value
        std::string text;            // empty: "Channel N", N the channel's index
        bool digital_input = false;
    };
    struct ShortBlocks {
        double from_seconds;
        int max_scans;
    };

    std::vector<Channel> channels;  // one per channel, 1..kMaxScenarioChannels
    double scan_rate = 1000.0;      // scans per second
    std::string identification = "Quillon simulated instrument";
    std::int32_t model = 0;  // no instrument of its own: every slot on the window
    double host_value = 0.0;
    std::string output_log;  // empty: no log file
    std::optional<double> fail_reads_from;
    std::optional<ShortBlocks> short_blocks;
    std::optional<double> exit_at;
    // Channels that play a recording instead of waveforms; reads fail once a recording that
    // does not loop has ended.
    std::shared_ptr<const Recording> recording;
    bool loop_recording = false;
    // In a gap of a recording that does not loop, the host holds its last scan instead of
    // having no new scans.
    bool hold_recording_gaps = false;
};

// A scenario whose channels play `recording`: named after its columns, at its rate.
Scenario RecordingScenario(std::shared_ptr<const Recording> recording, bool loop);
// Channels and scan rate taken from `recording`, the rest of `scenario` kept.
void UseRecording(Scenario& scenario, std::shared_ptr<const Recording> recording, bool loop);

// Raises ScenarioError naming source_name and the line.
Scenario ParseScenario(std::istream& in, const std::string& source_name);
// Raises ScenarioError when the file cannot be read or parsed, is not a regular file, or is
// larger than kMaxScenarioBytes.
Scenario LoadScenarioFile(const std::string& path);
// Four channels; channel 0 crosses 3.3 both ways every 6 s.
Scenario DemoScenario();
// The demo as scenario text, as the examples ship it.
std::string DemoScenarioText();

}  // namespace quillon::sim
