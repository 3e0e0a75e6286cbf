// SPDX-License-Identifier: MIT
#include "ui/qt/stop_signal_notifier.hpp"

#include "platform/linux/stop_signals.hpp"

namespace quillon {

StopSignalNotifier::StopSignalNotifier(QObject* parent) : QObject(parent) {
    const int wake = StopSignals::WakeDescriptor();
    if (wake < 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(wake, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignalNotifier::Drain);
}

StopSignalNotifier::~StopSignalNotifier() = default;

void StopSignalNotifier::Arm() {
    armed_ = true;
    if (StopSignals::Requested().load()) {
        StopSignals::DrainWake();
        emit StopRequested();
    }
}

void StopSignalNotifier::Drain() {
    StopSignals::DrainWake();
    if (armed_) {
        emit StopRequested();
    }
}

}  // namespace quillon
