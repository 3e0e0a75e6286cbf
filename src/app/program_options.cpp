// SPDX-License-Identifier: MIT
#include "app/program_options.hpp"

#include <charconv>

#include "app/command_line.hpp"
#include "app/host_selection.hpp"
#include "platform/platform.hpp"

namespace quillon {
namespace {

constexpr double kLongestResumeInterval = 86400.0;

// "--resume-after SECONDS": a number of seconds from 0.1 to a day.
void ParseResumeAfter(const std::string& text, ProgramOptions& options) {
    double seconds = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, seconds);
    if (text.empty() || failure != std::errc() || stop != end ||
        !(seconds >= 0.1 && seconds <= kLongestResumeInterval)) {
        options.error =
            "--resume-after needs a number of seconds from 0.1 to 86400, got \"" + text + "\"";
        return;
    }
    options.resume_after = seconds;
}

}  // namespace

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
    ProgramOptions options;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.rfind("--", 0) != 0) {
            words.push_back(word);
        } else if (word == "--headless") {
            options.headless = true;
        } else if (word == "--view") {
            options.view = true;
        } else if (word == "--exit-on-stop") {
            options.exit_on_stop = true;
        } else if (word == "--resume-after" || word.rfind("--resume-after=", 0) == 0) {
            const bool joined = word.size() > 14;
            if (!joined && i + 1 >= argc) {
                options.error = "--resume-after needs a number of seconds, e.g. --resume-after 10";
            } else {
                ParseResumeAfter(joined ? word.substr(15) : std::string(argv[++i]), options);
            }
        } else if (word == "--events-json") {
            options.events_json = true;
        } else if (word == "--help") {
            options.help = true;
        } else if (word == "--version") {
            options.version = true;
        } else {
            options.unknown.push_back(word);
        }
    }
    options.argument_text = JoinArguments(words);
    return options;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [--view | --headless [--exit-on-stop] [--resume-after SECONDS]\n"
           "       [--events-json]] [-dHOST [-nNAME]]\n"
           "\n"
           "Quillon watches live measurement channels and drives eight digital outputs, an\n"
           "audio alarm and an e-mail alarm from up to ten logical equations.\n"
           "\n"
           "Instance words: only the first two words count.\n"
           "  -dHOST      first word: the host. " +
           HostUsageText() +
           "\n"
           "  -nNAME      second word: the window caption and the instance's section in the\n"
           "              settings file (default Quillon). It counts only as the second word:\n"
           "              give it after a -d word, for example: -dsim -nLab1\n"
           "\n"
           "Options:\n"
           "  --headless  run without a window: print every output write, lamp change and\n"
           "              message; message boxes are printed, input boxes are cancelled.\n"
           "              " +
           StopRequestsText() +
           " stop, save the settings and end.\n"
           "  --exit-on-stop\n"
           "              with --headless: when the run stops by itself (a failed host read,\n"
           "              a failing equation, an equation refused at Start), save the\n"
           "              settings and end with status 3, so that a service manager restarts\n"
           "              the program.\n"
           "  --resume-after SECONDS\n"
           "              with --headless: when the run stops because the host failed (the\n"
           "              device went away or refused every poll), start it again once the\n"
           "              host answers, trying every SECONDS; a run stopped by an equation\n"
           "              stays stopped. A host away at start-up is waited for (\"waiting for\n"
           "              the device\") instead of failing start-up. The host's exit time\n"
           "              (exit-after) then sends the exit notice once per absence and the\n"
           "              program goes on waiting.\n"
           "  --events-json\n"
           "              with --headless: print the event log's JSON lines on standard\n"
           "              output instead of the readable lines, for piping into other tools;\n"
           "              standard output then holds JSON lines only (alarm sounds, message\n"
           "              boxes and notices go to standard error).\n"
           "  --view      open the channels view with the window: each channel's recent\n"
           "              history and when each output or alarm was on (also Ctrl+L, or the\n"
           "              window's context menu; the Linux window opens it by itself\n"
           "              beside the demo).\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "\n"
           "Alarm timing: OnDelayN and OffDelayN (milliseconds) and LatchN (1: on until\n"
           "acknowledged) in the instance's section give slot N an on-delay, an off-delay and a\n"
           "latch (see the README's \"Alarm timing\"). A click on a latched lamp acknowledges\n"
           "it; Ctrl+Alt+Space acknowledges all while \"Global Key\" is checked.\n"
           "\n"
           "Exit status: 0 after a stop signal, a closed window or the host's exit; 1 when\n"
           "start-up failed or the settings could not be saved; 2 for an unknown option or\n"
           "host; 3 when the run stopped by itself under --exit-on-stop.\n"
           "\n" +
           PlatformHelpText();
}

}  // namespace quillon
