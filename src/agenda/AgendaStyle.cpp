#include "AgendaStyle.h"

#include <QApplication>

namespace AgendaStyle {

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}

QColor primary(const QPalette& p)
{
    return p.color(QPalette::Active, QPalette::WindowText);
}

QColor primary(const QPalette& p, double alpha)
{
    return withAlpha(primary(p), alpha);
}

QColor secondary(const QPalette& p)
{
    return withAlpha(primary(p), 0.55);
}

QColor accent(const QPalette& p, double alpha)
{
    return withAlpha(p.color(QPalette::Active, QPalette::Highlight), alpha);
}

QColor textBackground(const QPalette& p)
{
    return p.color(QPalette::Active, QPalette::Base);
}

QFont font(int pixelSize, QFont::Weight weight, bool italic)
{
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setItalic(italic);
    return f;
}

} // namespace AgendaStyle
