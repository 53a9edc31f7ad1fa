#include "ColorWell.h"

#include "Dialogs.h"

#include <QPainter>
#include <QPointer>

ColorWell::ColorWell(QWidget* parent)
    : QAbstractButton(parent)
    , m_color(Qt::gray)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Colore"));
    connect(this, &QAbstractButton::clicked, this, &ColorWell::choose);
}

void ColorWell::setColor(const QColor& color)
{
    m_color = color;
    update();
}

QSize ColorWell::sizeHint() const
{
    return {44, 24};
}

void ColorWell::choose()
{
    QPointer<ColorWell> self(this);
    const std::optional<QColor> chosen =
        m_chooser ? m_chooser(m_color) : Dialogs::chooseColor(window(), m_color);
    // The chooser runs its own event loop, in which the well may have been destroyed.
    if (!self || !chosen || !chosen->isValid())
        return;
    setColor(*chosen);
    emit colorPicked(*chosen);
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(isDown() ? 0.45f : 0.25f);
    p.setPen(QPen(border, 1));
    p.setBrush(palette().color(QPalette::Button));
    p.drawRoundedRect(outer, 5, 5);
    QColor swatch = m_color;
    swatch.setAlpha(255);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? swatch : swatch.lighter(140));
    p.drawRoundedRect(outer.adjusted(3.5, 3.5, -3.5, -3.5), 3, 3);
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), 4, 4);
    }
}
