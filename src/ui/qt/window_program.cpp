// SPDX-License-Identifier: MIT
#include "ui/qt/window_program.hpp"

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <memory>

#include "app/event_logging.hpp"
#include "app/host_selection.hpp"
#include "platform/linux/x11_key_state.hpp"
#include "platform/platform.hpp"
#include "ui/qt/channels_window.hpp"
#include "ui/qt/qt_front_end.hpp"
#include "ui/qt/qt_sound_player.hpp"
#include "ui/qt/simulator_window.hpp"
#include "ui/qt/stop_signal_notifier.hpp"

namespace quillon {
namespace {

// How often the host does its work between ticks (a simulated host's scripted exit).
constexpr int kHostServiceMilliseconds = 100;
constexpr int kPlaceInstrumentWindowMilliseconds = 100;
constexpr int kWindowGap = 16;

// The simulated instrument has no panel of its own: a small window shows the words it took,
// beside the main window once start-up has put that where the settings say.
std::unique_ptr<SimulatorWindow> ShowInstrumentWindow(HostConnection& connection,
                                                      QWidget& main_window) {
    if (!connection.Simulated()) {
        return nullptr;
    }
    auto window = std::make_unique<SimulatorWindow>();
    SimulatorWindow* shown = window.get();
    connection.SetOutputListener(
        [shown](double seconds, std::int16_t word) { shown->ShowOutputWrite(seconds, word); });
    shown->show();
    QTimer::singleShot(kPlaceInstrumentWindowMilliseconds, shown, [shown, &main_window] {
        const QRect main = main_window.frameGeometry();
        shown->move(main.right() + kWindowGap, main.top());
    });
    return window;
}

}  // namespace

int RunWindowProgram(int argc, char** argv, const ProgramOptions& options,
                     const RunAddOnMaker& make_add_on) {
    if (options.exit_on_stop || options.events_json) {
        std::cerr << "quillon: " << (options.exit_on_stop ? "--exit-on-stop" : "--events-json")
                  << " works with --headless only (see --help)\n";
        return kExitBadCommandLine;
    }
    std::unique_ptr<HostConnection> connection;
    try {
        connection = CreateSelectedHost(options.argument_text);
    } catch (const std::exception& error) {
        std::cerr << "quillon: " << error.what() << "\n";
        return kExitBadCommandLine;
    }
    // Qt reads only the program name: the instance words are Quillon's, even where they look
    // like Qt's own options.
    int qt_argc = argc > 0 ? 1 : 0;
    QApplication application(qt_argc, argv);

    const std::unique_ptr<Platform> platform = CreatePlatform();
    QtSoundPlayer sound;
    // The keyboard of the X display; without one (Wayland, no display) the hot keys are off.
    X11KeyState keys;
    QtFrontEnd front_end({connection->Control(), platform->Profiles(), platform->UserLocale(),
                          platform->SystemClock(), sound, platform->Launcher(), keys});
    ReportHostProblems(*connection, front_end.GetApplication());
    EventLogging logging(front_end.GetApplication(), platform->SystemClock());
    const std::unique_ptr<RunAddOn> add_on =
        make_add_on ? make_add_on(RunParts{front_end.GetApplication(), logging,
                                           connection->Control(), *platform})
                    : nullptr;
    const std::unique_ptr<SimulatorWindow> instrument_window =
        ShowInstrumentWindow(*connection, front_end.Window());

    QTimer service;
    QObject::connect(&service, &QTimer::timeout, [&connection, &platform, &front_end] {
        connection->Service();
        platform->Service();  // e-mail agents that have finished
        front_end.GetApplication().AgentsFinished();
    });
    service.start(kHostServiceMilliseconds);

    // The channels view: on request, with --view, and beside the demo instrument.
    ChannelsWindow channels(front_end.GetApplication().History(), connection->Control());
    const auto show_channels = [&channels] {
        channels.show();
        channels.raise();
    };
    QObject::connect(&front_end.Window(), &MainWindow::ChannelsViewRequested, &channels,
                     show_channels);
    if (options.view || connection->Simulated()) {
        QTimer::singleShot(kPlaceInstrumentWindowMilliseconds, &channels, [&] {
            const QRect main = front_end.Window().frameGeometry();
            channels.move(main.left(), main.bottom() + kWindowGap);
            show_channels();
        });
    }

    StopSignalNotifier stop_signals;
    QObject::connect(&stop_signals, &StopSignalNotifier::StopRequested, &front_end.Window(),
                     &QWidget::close);
    return front_end.Run(options.argument_text, [&stop_signals, &logging, &add_on] {
        logging.AttachInstanceFile();
        if (add_on) {
            add_on->Loaded();
        }
        stop_signals.Arm();
    });
}

}  // namespace quillon
