// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

namespace quillon {

// A filled square with a thin border: an output lamp. Changing the colour only schedules a
// repaint of this widget, so the scan cycle can recolour lamps every tick.
class LampWidget final : public QWidget {
public:
    explicit LampWidget(QWidget* parent = nullptr);

    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }
    // A latched lamp carries a white frame inside its border until it is acknowledged.
    void SetLatched(bool latched);
    bool Latched() const { return latched_; }
    // Called when the lamp is clicked with the left button.
    void OnClicked(std::function<void()> clicked) { clicked_ = std::move(clicked); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_;
    bool latched_ = false;
    std::function<void()> clicked_;
};

}  // namespace quillon
