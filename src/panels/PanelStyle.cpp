#include "PanelStyle.h"

#include "Cal.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <algorithm>

namespace {

QFont sized(qreal points)
{
    QFont font = QApplication::font();
    font.setPointSizeF(std::max(points, 7.0));
    return font;
}

qreal bodyPoints()
{
    const qreal points = QApplication::font().pointSizeF();
    return points > 0 ? points : 10.0;
}

} // namespace

namespace PanelStyle {

QFont body()
{
    return sized(bodyPoints());
}

QFont callout()
{
    return sized(bodyPoints() - 1);
}

QFont caption()
{
    return sized(bodyPoints() - 2);
}

QFont headline()
{
    QFont font = body();
    font.setBold(true);
    return font;
}

QFont title2()
{
    QFont font = sized(bodyPoints() * 17.0 / 13.0);
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont withTabularDigits(QFont font)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    font.setFeature(QFont::Tag("tnum"), 1);
#endif
    return font;
}

QColor secondaryText(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.55f);
    return color;
}

QColor errorRed()
{
    return QColor(0xD3, 0x2F, 0x2F);
}

QColor noticeOrange()
{
    return QColor(0xB3, 0x5C, 0x00);
}

DateField* dateField(const QString& objectName, const QDate& day, const QString& format, QWidget* parent,
                     const Store* closedDaysOf)
{
    auto* field = new DateField(day, parent);
    field->setObjectName(objectName);
    field->setLocale(Cal::locale());
    field->setCalendarPopup(true);
    field->setDisplayFormat(format);
    field->markClosedDaysOf(closedDaysOf);
    // The popup's calendar (which takes longer to make than the rest of a sheet) is left to the field
    // to make when it first opens; it takes the field's locale, whose weeks start on Monday.
    return field;
}

void style(QLabel* label, const QFont& font, const QColor& color)
{
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
}

void makeProminent(QPushButton* button)
{
    QPalette palette = button->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Button, palette.color(group, QPalette::Highlight));
        palette.setColor(group, QPalette::ButtonText, palette.color(group, QPalette::HighlightedText));
    }
    button->setPalette(palette);
}

QIcon listBulletIcon(const QPalette& palette)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = palette.color(QPalette::ButtonText);
        const qreal unit = size / 16.0;
        for (int row = 0; row < 3; ++row) {
            const qreal y = (3.5 + row * 4.5) * unit;
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawEllipse(QPointF(3.0 * unit, y), 1.3 * unit, 1.3 * unit);
            p.setPen(QPen(ink, 1.4 * unit, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(6.0 * unit, y), QPointF(14.0 * unit, y));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap warningTrianglePixmap(int size, qreal devicePixelRatio)
{
    const int pixels = int(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath triangle;
    triangle.moveTo(s / 2, s * 0.06);
    triangle.lineTo(s * 0.97, s * 0.92);
    triangle.lineTo(s * 0.03, s * 0.92);
    triangle.closeSubpath();
    p.setPen(QPen(errorRed(), s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(errorRed());
    p.drawPath(triangle);
    p.setPen(QPen(Qt::white, s * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s / 2, s * 0.36), QPointF(s / 2, s * 0.62));
    p.drawPoint(QPointF(s / 2, s * 0.78));
    return pixmap;
}

} // namespace PanelStyle
