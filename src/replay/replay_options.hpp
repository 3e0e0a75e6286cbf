// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon {

// quillon-replay's command line.
struct ReplayOptions {
    std::string recording;      // a CSV recording or a scenario file
    std::string instance;       // -nNAME: whose settings (default Quillon)
    std::string settings_file;  // --settings FILE instead of the instance's settings file
    std::optional<double> from;
    std::optional<double> to;
    std::string out = ".";            // --out DIR
    std::string digital;              // --digital CHANNEL of a CSV recording
    bool hold_gaps = false;           // --gaps hold: a CSV gap holds the last scan, not silence
    std::optional<double> ack_after;  // --ack-after: seconds a latch waits for its acknowledgement
    bool help = false;
    bool version = false;
};

// Raises std::invalid_argument with a message for the operator.
ReplayOptions ParseReplayOptions(const std::vector<std::string>& words);
std::string ReplayUsageText();

}  // namespace quillon
