// SPDX-License-Identifier: MIT
#include "ui/qt/switch_style.hpp"

#include <QPainter>
#include <QStyleOptionComplex>

namespace quillon {

int SwitchStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    if (metric == PM_ScrollBarSliderMin) {
        return 6;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void SwitchStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control != CC_ScrollBar) {
        return;
    }
    const QRect thumb = subControlRect(control, option, SC_ScrollBarSlider, widget);
    painter->save();
    painter->setPen(option->palette.color(QPalette::Shadow));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(thumb.adjusted(0, 0, -1, -1));
    painter->restore();
}

}  // namespace quillon
