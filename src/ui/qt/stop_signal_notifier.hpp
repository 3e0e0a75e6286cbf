// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quillon {

// Turns the stop signals (SIGINT, SIGTERM, SIGHUP; installed by StopSignals first thing in
// main) into a Qt signal on the event loop, so that Ctrl+C or a closed terminal closes the
// window the ordinary way: stop, save, end. Nothing is emitted before Arm(), which the
// program calls once start-up is done; a request that came earlier is emitted then.
class StopSignalNotifier final : public QObject {
    Q_OBJECT

public:
    explicit StopSignalNotifier(QObject* parent = nullptr);
    ~StopSignalNotifier() override;

    void Arm();

signals:
    void StopRequested();

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool armed_ = false;
};

}  // namespace quillon
