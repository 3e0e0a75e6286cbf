// SPDX-License-Identifier: MIT
// A placeholder start-up: the Qt front end on the demo instrument.
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>

#include "app/command_line.hpp"
#include "host/sim/scenario.hpp"
#include "host/sim/simulated_instrument.hpp"
#include "platform/linux/file_profile_store.hpp"
#include "platform/linux/profile_directory.hpp"
#include "platform/linux/std_clock.hpp"
#include "platform/linux/std_locale.hpp"
#include "ui/qt/qt_front_end.hpp"
#include "ui/qt/simulator_window.hpp"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    quillon::sim::SimulatedInstrument instrument(
        quillon::sim::DemoScenario(), quillon::sim::SimulatedInstrument::SteadyClockFromNow());
    quillon::FileProfileStore profiles(quillon::ProfileDirectory());
    quillon::StdLocale locale;
    quillon::StdClock clock;

    quillon::SimulatorWindow instrument_window;
    instrument.SetOutputListener([&instrument_window](double seconds, std::int16_t word) {
        instrument_window.ShowOutputWrite(seconds, word);
    });

    quillon::QtFrontEnd front_end({instrument, profiles, locale, clock});

    // The simulated host fires its exit event only when asked to look at the time.
    QTimer service;
    QObject::connect(&service, &QTimer::timeout, [&instrument] { instrument.Service(); });
    service.start(100);

    instrument_window.move(460, 0);
    instrument_window.show();

    // QApplication has taken its own options out of argv.
    const std::vector<std::string> words(argv + 1, argv + argc);
    return front_end.Run(quillon::JoinArguments(words));
}
