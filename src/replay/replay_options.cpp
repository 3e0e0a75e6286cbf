// SPDX-License-Identifier: MIT
#include "replay/replay_options.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace quillon {
namespace {

double Seconds(const std::string& option, const std::string& text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0) {
        throw std::invalid_argument(
            option +
            (option == "--ack-after" ? " takes seconds" : " takes seconds into the recording") +
            ", not \"" + text + "\"");
    }
    return value;
}

}  // namespace

ReplayOptions ParseReplayOptions(const std::vector<std::string>& words) {
    ReplayOptions options;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= words.size()) {
                throw std::invalid_argument(word + " needs a value");
            }
            return words[++i];
        };
        if (word == "--help") {
            options.help = true;
        } else if (word == "--version") {
            options.version = true;
        } else if (word == "--settings") {
            options.settings_file = value();
        } else if (word == "--from") {
            options.from = Seconds(word, value());
        } else if (word == "--to") {
            options.to = Seconds(word, value());
        } else if (word == "--out") {
            options.out = value();
        } else if (word == "--ack-after") {
            options.ack_after = Seconds(word, value());
        } else if (word == "--digital") {
            options.digital = value();
        } else if (word == "--gaps") {
            const std::string& how = value();
            if (how != "stop" && how != "hold") {
                throw std::invalid_argument("--gaps takes stop or hold, not \"" + how + "\"");
            }
            options.hold_gaps = how == "hold";
        } else if (word.rfind("-n", 0) == 0 && word.size() > 2) {
            options.instance = word.substr(2);
        } else if (word.rfind('-', 0) == 0) {
            throw std::invalid_argument("unknown option " + word);
        } else if (options.recording.empty()) {
            options.recording = word;
        } else {
            throw std::invalid_argument("one recording at a time; \"" + word +
                                        "\" is one too many");
        }
    }
    if (options.recording.empty() && !options.help && !options.version) {
        throw std::invalid_argument("no recording given");
    }
    if (options.from && options.to && *options.to <= *options.from) {
        throw std::invalid_argument("--to must come after --from");
    }
    return options;
}

std::string ReplayUsageText() {
    return "Usage: quillon-replay RECORDING [-nNAME] [--settings FILE] [--from T] [--to T]\n"
           "                      [--out DIR] [--digital CHANNEL] [--gaps stop|hold]\n"
           "                      [--ack-after SECONDS]\n"
           "\n"
           "Runs a recording through Quillon's own cycle with an instance's equations, modes and\n"
           "data window, as fast as the machine allows, on a virtual clock (the 10 ms tick, the\n"
           "1 s alarm timer and the 30 s keep-alive timer run in recording time). Nothing is\n"
           "driven, sounded or sent, and the settings are only read.\n"
           "\n"
           "RECORDING     a CSV file (*.csv): a header row with the time column (seconds, or ISO\n"
           "              8601 dates and times) and one name per channel, then one row per scan;\n"
           "              or a scenario file of the simulated instrument.\n"
           "  -nNAME      the instance whose settings are used (default Quillon); the settings\n"
           "              file must have its section\n"
           "  --settings FILE\n"
           "              read the settings from FILE instead of NorvaneAlarm.ini\n"
           "  --from T, --to T\n"
           "              replay from T to T seconds into the recording (default: all of it;\n"
           "              a scenario without an end needs --to); the recording's scans come at\n"
           "              the same recording times as in a replay of all of it\n"
           "  --out DIR   where to write events.jsonl, summary.txt and plot.svg (default .)\n"
           "  --digital CHANNEL\n"
           "              the CSV column (name or channel number) that is the digital input\n"
           "  --gaps stop|hold\n"
           "              a CSV pause longer than twice the median period is a gap: with stop\n"
           "              (the default) the host has no new scans in it, so the run stops at the\n"
           "              gap and starts again after it; with hold the last scan is held\n"
           "  --ack-after SECONDS\n"
           "              acknowledge each latched slot (LatchN=1) SECONDS after it latched, as\n"
           "              an operator would; without it a latch holds to the end\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "\n"
           "It writes the event log of what would have happened (events.jsonl, all of it in one\n"
           "file; its \"t\" is seconds into the recording), a summary per slot with the alarm\n"
           "sounds, the e-mails that would have been sent, the gaps and the host's exit\n"
           "(summary.txt, also on standard output), and plot.svg: each channel's trace, the\n"
           "slots' on-periods and the alarm and e-mail moments, for a web browser. Progress\n"
           "shows on standard error when it is a terminal.\n"
           "\n"
           "Exit status: 0 when the replay ran; 1 when it could not (a bad recording, settings,\n"
           "instance or folder, an equation refused at Start) or its files could not all be\n"
           "written (the summary is still shown); 2 for a bad command line.\n";
}

}  // namespace quillon
