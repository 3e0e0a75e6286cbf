// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quillon {

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that Ctrl+C in the terminal
// closes the window the ordinary way: stop, save, end.
class StopSignalNotifier final : public QObject {
    Q_OBJECT

public:
    explicit StopSignalNotifier(QObject* parent = nullptr);
    ~StopSignalNotifier() override;

signals:
    void StopRequested();

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quillon
