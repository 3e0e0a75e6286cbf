// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

namespace quillon {

// A filled square with a thin border: an output lamp. Changing the colour only schedules a
// repaint of this widget, so the scan cycle can recolour lamps every tick.
class LampWidget final : public QWidget {
public:
    explicit LampWidget(QWidget* parent = nullptr);

    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

}  // namespace quillon
