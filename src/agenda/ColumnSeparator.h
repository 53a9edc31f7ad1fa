#pragma once

#include <QPainter>
#include <QPalette>
#include <QRect>

// The vertical bar over the trailing edge of every dentist header and column: stronger where a day ends.
namespace ColumnSeparator {

inline void paint(QPainter& p, const QRect& area, bool isDayEnd, const QPalette& palette)
{
    QColor c = palette.color(QPalette::Active, QPalette::WindowText);
    c.setAlphaF(isDayEnd ? 0.45f : 0.12f);
    const double width = isDayEnd ? 1.5 : 1.0;
    p.fillRect(QRectF(area.right() + 1 - width, area.top(), width, area.height()), c);
}

} // namespace ColumnSeparator
