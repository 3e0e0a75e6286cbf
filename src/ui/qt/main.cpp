// SPDX-License-Identifier: MIT
// The Quillon program: the window on the selected host, or the console front end with
// --headless.
#include <QApplication>
#include <QTimer>
#include <iostream>

#include "app/host_selection.hpp"
#include "app/program_options.hpp"
#include "platform/linux/file_profile_store.hpp"
#include "platform/linux/posix_process_launcher.hpp"
#include "platform/linux/profile_directory.hpp"
#include "platform/linux/standard_descriptors.hpp"
#include "platform/linux/std_clock.hpp"
#include "platform/linux/std_locale.hpp"
#include "platform/linux/stop_signals.hpp"
#include "platform/linux/x11_key_state.hpp"
#include "ui/headless/headless_runner.hpp"
#include "ui/qt/qt_front_end.hpp"
#include "ui/qt/qt_sound_player.hpp"
#include "ui/qt/simulator_window.hpp"
#include "ui/qt/stop_signal_notifier.hpp"

namespace {

// How often the simulated host looks at its clock for a scripted exit.
constexpr int kHostServiceMilliseconds = 100;
constexpr int kPlaceInstrumentWindowMilliseconds = 100;
constexpr int kWindowGap = 16;

int RunWindow(int argc, char** argv, const quillon::ProgramOptions& options) {
    std::unique_ptr<quillon::sim::SimulatedInstrument> instrument;
    try {
        instrument = quillon::CreateSelectedHost(options.argument_text);
    } catch (const std::exception& error) {
        std::cerr << "quillon: " << error.what() << "\n";
        return 2;
    }
    // Qt reads only the program name: the instance words are Quillon's, even where they look
    // like Qt's own options.
    int qt_argc = argc > 0 ? 1 : 0;
    QApplication application(qt_argc, argv);

    quillon::FileProfileStore profiles(quillon::ProfileDirectory());
    quillon::StdLocale locale;
    quillon::StdClock clock;
    quillon::QtSoundPlayer sound;
    quillon::PosixProcessLauncher launcher{quillon::ProgramLocator()};
    // The keyboard of the X display; without one (Wayland, no display) the hot keys are off.
    quillon::X11KeyState keys;

    quillon::SimulatorWindow instrument_window;
    instrument->SetOutputListener([&instrument_window](double seconds, std::int16_t word) {
        instrument_window.ShowOutputWrite(seconds, word);
    });
    quillon::QtFrontEnd front_end({*instrument, profiles, locale, clock, sound, launcher, keys});
    instrument->SetProblemListener([&front_end](const std::string& problem) {
        front_end.GetAddon().GetPanel().SetStatus(problem);
    });

    QTimer service;
    QObject::connect(&service, &QTimer::timeout, [&instrument, &launcher] {
        instrument->Service();
        launcher.ReapFinished();  // e-mail agents that have finished
    });
    service.start(kHostServiceMilliseconds);

    quillon::StopSignalNotifier stop_signals;
    QObject::connect(&stop_signals, &quillon::StopSignalNotifier::StopRequested,
                     &front_end.Window(), &QWidget::close);

    instrument_window.show();
    // Beside the main window, once start-up has put that where the settings say.
    QTimer::singleShot(kPlaceInstrumentWindowMilliseconds, [&] {
        const QRect main = front_end.Window().frameGeometry();
        instrument_window.move(main.right() + kWindowGap, main.top());
    });
    return front_end.Run(options.argument_text, [&stop_signals] { stop_signals.Arm(); });
}

}  // namespace

int main(int argc, char** argv) {
    quillon::OpenMissingStandardDescriptors();
    quillon::StopSignals::Install();
    const quillon::ProgramOptions options = quillon::ParseProgramOptions(argc, argv);
    if (options.help) {
        std::cout << quillon::UsageText("quillon");
        return 0;
    }
    if (options.version) {
        std::cout << "quillon " QUILLON_VERSION "\n";
        return 0;
    }
    if (!options.unknown.empty()) {
        std::cerr << "quillon: unknown option " << options.unknown.front() << " (see --help)\n";
        return 2;
    }
    if (options.headless) {
        return quillon::RunHeadlessOnConsole(options);
    }
    return RunWindow(argc, argv, options);
}
