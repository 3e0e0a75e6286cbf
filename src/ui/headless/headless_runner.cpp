// SPDX-License-Identifier: MIT
#include "ui/headless/headless_runner.hpp"

#include <unistd.h>

#include <cstdlib>
#include <ostream>

#include "app/application.hpp"
#include "app/event_logging.hpp"
#include "app/host_selection.hpp"
#include "app/run_resumption.hpp"
#include "app/timer_loop.hpp"
#include "platform/no_key_state.hpp"
#include "platform/platform.hpp"
#include "ui/headless/console_event_lines.hpp"
#include "ui/headless/console_printer.hpp"
#include "ui/headless/console_prompter.hpp"
#include "ui/headless/console_sound_player.hpp"
#include "ui/headless/console_stream_buffer.hpp"
#include "ui/headless/console_writer.hpp"
#include "ui/headless/operator_requests.hpp"
#include "utility/seconds_duration.hpp"

namespace quillon {
namespace {

// The journal's priority prefixes (syslog levels 6 and 3).
constexpr const char* kJournalInfo = "<6>";
constexpr const char* kJournalError = "<3>";

// How long the end of the program waits for a console reader to take the last lines.
constexpr std::chrono::milliseconds kConsolePatienceAtEnd{1000};

int RunWithHost(HostConnection& connection, const ProgramOptions& options, std::ostream& out,
                std::ostream& err, const RunAddOnMaker& make_add_on) {
    const std::unique_ptr<Platform> platform = CreatePlatform();
    HostControl& host = connection.Control();
    // With --events-json standard output carries the JSON lines alone; the readable lines
    // go nowhere, and notices, sounds and message boxes go to the error stream (and the last
    // two are events of their own).
    ConsoleEventLines json_lines(platform->SystemClock(), out);
    ConsoleEventLines* console_events = options.events_json ? &json_lines : nullptr;
    std::ostream& notices = options.events_json ? err : out;
    ConsolePrompter prompter(notices, console_events);
    ConsoleSoundPlayer sound(notices, platform->SystemClock(), console_events);
    NoKeyState keys;  // no keyboard of its own: the global hot keys are off
    Application application(Ports{host, platform->Profiles(), prompter, platform->UserLocale(),
                                  platform->SystemClock(), sound, platform->Launcher(), keys});
    std::ostream null_stream(nullptr);
    std::ostream& readable = options.events_json ? null_stream : out;
    ConsolePrinter printer(application.GetPanel(), readable, err);
    application.GetPanel().AddObserver(&printer);
    connection.SetOutputListener(
        [&](double s, std::int16_t word) { printer.OutputWritten(s, word); });
    EventLogging logging(application, platform->SystemClock());
    json_lines.FollowInstanceName(application.GetInstanceFacts().host_id);
    if (options.events_json) {
        logging.AddSink(&json_lines);
    }
    ReportHostProblems(connection, application);
    const std::unique_ptr<RunAddOn> add_on =
        make_add_on ? make_add_on(RunParts{application, logging, host, *platform}) : nullptr;
    ConsolePrinter notice_printer(application.GetPanel(), notices, err);
    const bool resumes = options.resume_after.has_value();
    host.OnExit([&] {
        if (resumes) {
            // The device may come back: tell about the absence, and wait for it.
            notice_printer.Line("host away for its exit time: exit notice sent, waiting for it");
            application.HostAway();
            return;
        }
        notice_printer.Line("host exited: stopping, saving the settings, ending");
        application.HostExited();
    });
    connection.SetStopProbe([] { return StopRequested().load(); });
    notice_printer.Line("Quillon " QUILLON_VERSION " headless; settings in " +
                        platform->ProfilePath(kSettingsFile));
    try {
        application.Load(options.argument_text, resumes);
        logging.AttachInstanceFile();
        if (add_on) {
            add_on->Loaded();
        }
        // Only now: the host hears the -d text before any question.
        notice_printer.Line("host \"" + host.Identification() + "\"; events in " +
                            logging.InstanceFile().string());
    } catch (const std::exception& error) {
        err << "quillon: start-up failed: " << error.what() << std::endl;
        return kExitFailed;
    }
    // With --exit-on-stop, a run that is not going (it stopped on a failure, or Start refused
    // an equation) ends the program, so that a service manager can restart it.
    // A run that --resume-after will start again is not at its end.
    const auto stopped_by_itself = [&] {
        return options.exit_on_stop && !application.Ended() &&
               !application.GetPanel().ScanTimerEnabled() &&
               !(resumes && application.StoppedByHostFailure());
    };
    OperatorRequests requests(application, notice_printer, OpenConsoleInput());
    RunResumption resumption(
        application, connection, platform->SystemClock(),
        resumes ? std::optional(SecondsToDuration(*options.resume_after)) : std::nullopt);
    // A stop signal that came during start-up ends the loop before its first tick.
    TimerLoop(application, platform->SystemClock(), [&] {
        connection.Service();
        resumption.Service();
        requests.Service();
        platform->Service();  // e-mail agents that have finished
        application.AgentsFinished();
        out.flush();  // what a slow reader has not taken yet
        err.flush();
    }).Run([&] { return StopRequested().load() || stopped_by_itself(); });
    const bool by_itself = !StopRequested().load() && stopped_by_itself();
    if (!application.Ended()) {
        notice_printer.Line(
            (by_itself ? std::string("the run stopped") : StopReason() + " received") +
            ": stopping, saving the settings, ending");
        application.Unload();
    }
    application.GetPanel().RemoveObserver(&printer);
    if (application.SaveFailure()) {
        err << "quillon: " << *application.SaveFailure() << std::endl;
        return kExitFailed;
    }
    return by_itself ? kExitStoppedByItself : kExitNormal;
}

}  // namespace

int RunHeadless(const ProgramOptions& options, std::ostream& out, std::ostream& err,
                const RunAddOnMaker& add_on) {
    std::unique_ptr<HostConnection> host;
    try {
        host = CreateSelectedHost(options.argument_text);
    } catch (const HostError& error) {
        err << "quillon: start-up failed: " << error.what() << std::endl;
        return kExitFailed;
    } catch (const std::exception& error) {
        err << "quillon: " << error.what() << std::endl;
        return kExitBadCommandLine;
    }
    return RunWithHost(*host, options, out, err, add_on);
}

int RunHeadlessOnConsole(const ProgramOptions& options, const RunAddOnMaker& add_on) {
    ConsoleWriter error_writer(STDERR_FILENO, "standard error");
    ConsoleWriter output_writer(
        STDOUT_FILENO, "standard output",
        [&error_writer](const std::string& line) { error_writer.WriteLine(line); });
    // Under a service manager the journal reads the console: each line carries its priority,
    // so that failures show as errors there.
    const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    if (options.events_json) {
        output_writer.SetDroppedNote(ConsoleDroppedLine);
    }
    ConsoleStreamBuffer output_buffer(output_writer,
                                      journal && !options.events_json ? kJournalInfo : "");
    ConsoleStreamBuffer error_buffer(error_writer, journal ? kJournalError : "");
    std::ostream out(&output_buffer);
    std::ostream err(&error_buffer);
    const int status = RunHeadless(options, out, err, add_on);
    output_writer.FlushAtEnd(kConsolePatienceAtEnd);
    error_writer.FlushAtEnd(kConsolePatienceAtEnd);
    return status;
}

}  // namespace quillon
