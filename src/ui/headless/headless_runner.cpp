// SPDX-License-Identifier: MIT
#include "ui/headless/headless_runner.hpp"

#include <atomic>
#include <csignal>
#include <ostream>

#include "app/addon.hpp"
#include "app/host_selection.hpp"
#include "platform/linux/file_profile_store.hpp"
#include "platform/linux/posix_process_launcher.hpp"
#include "platform/linux/profile_directory.hpp"
#include "platform/linux/std_clock.hpp"
#include "platform/linux/std_locale.hpp"
#include "platform/no_key_state.hpp"
#include "ui/headless/console_printer.hpp"
#include "ui/headless/console_prompter.hpp"
#include "ui/headless/console_sound_player.hpp"
#include "ui/headless/headless_loop.hpp"

namespace quillon {
namespace {

std::atomic<bool> g_stop_requested{false};

extern "C" void RequestStop(int) {
    g_stop_requested.store(true);
}

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int RunWithHost(sim::SimulatedInstrument& host, const ProgramOptions& options, std::ostream& out,
                std::ostream& err) {
    FileProfileStore profiles(ProfileDirectory());
    ConsolePrompter prompter(out);
    StdLocale locale;
    StdClock clock;
    ConsoleSoundPlayer sound(out, clock);
    PosixProcessLauncher launcher{ProgramLocator()};
    NoKeyState keys;  // no keyboard of its own: the global hot keys are off
    Addon addon(Ports{host, profiles, prompter, locale, clock, sound, launcher, keys});
    ConsolePrinter printer(addon.GetPanel(), out, err);
    addon.GetPanel().AddObserver(&printer);
    host.SetOutputListener([&](double s, std::int16_t word) { printer.OutputWritten(s, word); });
    host.SetProblemListener([&](const std::string& problem) { err << problem << std::endl; });
    host.OnExit([&] {
        printer.Line("host exited: stopping, saving the settings, ending");
        addon.HostExited();
    });
    printer.Line("Quillon " QUILLON_VERSION " headless; settings in " +
                 profiles.PathOf(kSettingsFile).string());
    try {
        addon.Load(options.argument_text);
        // Only now: the host hears the -d text before any question.
        printer.Line("host \"" + host.Identification() + "\"");
    } catch (const std::exception& error) {
        err << "quillon: start-up failed: " << error.what() << std::endl;
        return 1;
    }
    InstallStopSignals();
    HeadlessLoop(addon, [&] {
        host.Service();
        launcher.ReapFinished();  // e-mail agents that have finished
    }).Run(g_stop_requested);
    if (!addon.Ended()) {
        printer.Line("stop requested: stopping, saving the settings, ending");
        addon.Unload();
    }
    addon.GetPanel().RemoveObserver(&printer);
    if (addon.SaveFailure()) {
        err << "quillon: " << *addon.SaveFailure() << std::endl;
        return 1;
    }
    return 0;
}

}  // namespace

int RunHeadless(const ProgramOptions& options, std::ostream& out, std::ostream& err) {
    std::unique_ptr<sim::SimulatedInstrument> host;
    try {
        host = CreateSelectedHost(options.argument_text);
    } catch (const std::exception& error) {
        err << "quillon: " << error.what() << std::endl;
        return 2;
    }
    return RunWithHost(*host, options, out, err);
}

}  // namespace quillon
