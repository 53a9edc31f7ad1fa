#include "AgendaStyle.h"

#include <QApplication>
#include <QHash>
#include <QWidget>

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

void tintLine(QWidget* line)
{
    line->setAutoFillBackground(true);
    QPalette tinted = line->palette();
    tinted.setColor(QPalette::Window, accent(line->palette(), 0.12));
    line->setPalette(tinted);
}

QFont font(int pixelSize, QFont::Weight weight, bool italic)
{
    // Painting asks for the same few fonts thousands of times; a font made once keeps its resolved
    // font engine, which a freshly made one must look up again. Rebuilt when the application font changes.
    static QFont base;
    static QHash<quint64, QFont> made;
    const QFont application = QApplication::font();
    if (!(application == base) || application.resolveMask() != base.resolveMask()) {
        base = application;
        made.clear();
    }
    const quint64 key = (quint64(quint32(pixelSize)) << 32) | (quint64(weight) << 1) | (italic ? 1 : 0);
    auto found = made.constFind(key);
    if (found != made.constEnd())
        return *found;
    QFont f = application;
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setItalic(italic);
    made.insert(key, f);
    return f;
}

} // namespace AgendaStyle
