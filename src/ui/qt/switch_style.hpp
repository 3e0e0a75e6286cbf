// SPDX-License-Identifier: MIT
#pragma once

#include <QProxyStyle>

namespace quillon {

// The application's style for the three-position switches: a 65-pixel scroll bar with
// three values needs a thumb of a third of its groove, shorter than styles allow by default,
// and outlined so that its position reads at a glance.
class SwitchStyle final : public QProxyStyle {
public:
    SwitchStyle() = default;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

}  // namespace quillon
