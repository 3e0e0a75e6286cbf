// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include <QWidget>

class QLabel;
class QListWidget;

namespace quillon {

class LampWidget;

// A separate window for the demo instrument: its eight digital outputs as LEDs, the last
// word written and a short scroll-back of the writes, newest first.
class SimulatorWindow final : public QWidget {
public:
    static constexpr int kOutputs = 8;
    static constexpr int kScrollBack = 50;

    explicit SimulatorWindow(QWidget* parent = nullptr);

    // May be called from any thread: writes from another thread are shown by this window's
    // event loop.
    void ShowOutputWrite(double seconds, std::int16_t word);

    // What is shown, for tests.
    bool OutputLit(int output) const;
    QString LastWriteText() const;
    QStringList ScrollBack() const;

private:
    void Show(double seconds, std::int16_t word);

    std::array<LampWidget*, kOutputs> leds_{};
    QLabel* last_write_ = nullptr;
    QListWidget* history_ = nullptr;
};

}  // namespace quillon
