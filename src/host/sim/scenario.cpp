// SPDX-License-Identifier: MIT
#include "host/sim/scenario.hpp"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "host/sim/scenario_parser.hpp"

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

}  // namespace

Scenario ParseScenario(std::istream& in, const std::string& source_name) {
    return ScenarioParser(source_name).Parse(in);
}

Scenario LoadScenarioFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        const int reason = errno;
        throw ScenarioError(path + ": cannot open: " + std::generic_category().message(reason));
    }
    return ParseScenario(file, path);
}

Scenario DemoScenario() {
    std::istringstream text(kDemoScenario);
    return ParseScenario(text, "demo");
}

}  // namespace quillon::sim
