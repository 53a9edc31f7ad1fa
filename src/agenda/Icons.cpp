#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Icons {

namespace {

void draw(QPainter& p, Kind kind)
{
    switch (kind) {
    case Kind::ChevronLeft:
        p.drawPolyline(QPolygonF({{13, 4}, {7, 10}, {13, 16}}));
        break;
    case Kind::ChevronRight:
        p.drawPolyline(QPolygonF({{7, 4}, {13, 10}, {7, 16}}));
        break;
    case Kind::Calendar:
        p.drawRoundedRect(QRectF(3, 4.5, 14, 12.5), 2, 2);
        p.drawLine(QLineF(3, 8.5, 17, 8.5));
        p.drawLine(QLineF(7, 2.5, 7, 6));
        p.drawLine(QLineF(13, 2.5, 13, 6));
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawPoint(QPointF(6.5 + 3.5 * c, 11.5 + 3 * r));
        break;
    case Kind::Search:
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        p.drawLine(QLineF(11, 11, 16.5, 16.5));
        break;
    case Kind::Printer:
        p.drawRect(QRectF(6, 3, 8, 4.5));
        p.drawRoundedRect(QRectF(3, 7.5, 14, 6.5), 1.5, 1.5);
        p.drawRect(QRectF(6, 11.5, 8, 5.5));
        break;
    case Kind::Plus:
        p.drawLine(QLineF(10, 4, 10, 16));
        p.drawLine(QLineF(4, 10, 16, 10));
        break;
    case Kind::Clock:
        p.drawEllipse(QRectF(3, 3, 14, 14));
        p.drawPolyline(QPolygonF({{10, 6}, {10, 10}, {13, 12}}));
        break;
    }
}

} // namespace

QIcon icon(Kind kind, const QColor& color)
{
    QIcon result;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(20 * scale, 20 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        draw(p, kind);
        p.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace Icons
