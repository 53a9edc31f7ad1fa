#include "PageText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

bool hasEqualDigits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (std::abs(metrics.horizontalAdvance(QLatin1Char(digit)) - zero) > 1e-3)
            return false;
    }
    return true;
}

} // namespace

PageText::PageText(const QPaintDevice* device)
    : m_device(device)
    , m_dpi(device->logicalDpiY() > 0 ? device->logicalDpiY() : 72)
    , m_family(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family())
    , m_digitsFamily(m_family)
{
    // Most sans-serif system fonts already have tabular digits; where they do not, the times fall back
    // to the fixed-pitch system font so the columns of times line up.
    QFont probe(m_family);
    probe.setPointSizeF(20);
    if (!hasEqualDigits(probe))
        m_digitsFamily = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont PageText::layoutFont(TextFace face, qreal points) const
{
    const bool digits = face == TextFace::DigitsRegular || face == TextFace::DigitsBold;
    QFont f(digits ? m_digitsFamily : m_family);
    f.setBold(face == TextFace::Bold || face == TextFace::DigitsBold);
    f.setItalic(face == TextFace::Italic);
    // Unhinted, so that metrics and advances scale exactly and do not depend on the device.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPointSizeF(points * layoutScale * 72.0 / m_dpi);
    return f;
}

qreal PageText::lineHeight(TextFace face, qreal points) const
{
    const QFontMetricsF metrics(layoutFont(face, points), m_device);
    const qreal height = (metrics.ascent() + metrics.descent() + metrics.leading()) / layoutScale;
    // A sum that is whole up to rounding noise must not gain a point.
    return std::ceil(height - 1e-6);
}

qreal PageText::width(const TextRun& run, qreal points) const
{
    return QFontMetricsF(layoutFont(run.face, points), m_device).horizontalAdvance(run.text) / layoutScale;
}

QStringList PageText::wrapped(const TextRun& run, qreal points, qreal width, int maxLines) const
{
    const QFontMetricsF metrics(layoutFont(run.face, points), m_device);
    const qreal room = width * layoutScale;
    // The pieces a line may end after, each with what joins it to the one before: a blank between words;
    // nothing after a dash ("09:00–" may end a line). A separator ("·") stays with the word before it.
    QStringList pieces;
    QStringList joins;
    for (const QString& word : run.text.split(u' ', Qt::SkipEmptyParts)) {
        const bool bare = std::none_of(word.begin(), word.end(), [](QChar c) { return c.isLetterOrNumber(); });
        if (bare && !pieces.isEmpty()) {
            pieces.last() += u' ' + word;
            continue;
        }
        QString join = QStringLiteral(" ");
        for (const QString& part : word.split(QRegularExpression(QStringLiteral("(?<=\u2013)(?=.)")))) {
            pieces.append(part);
            joins.append(std::exchange(join, QString()));
        }
    }
    const auto rest = [&](qsizetype from) {
        QString text = pieces.value(from);
        for (qsizetype i = from + 1; i < pieces.size(); ++i)
            text += joins[i] + pieces[i];
        return text;
    };
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString longer = current.isEmpty() ? pieces[i] : current + joins[i] + pieces[i];
        if (metrics.horizontalAdvance(longer) <= room) {
            current = longer;
            continue;
        }
        if (!current.isEmpty())
            lines.append(current);
        // The last line allowed, or a piece wider than a line (cut wherever it fell): the rest stays
        // together, cut once.
        if (lines.size() + 1 >= maxLines || metrics.horizontalAdvance(pieces[i]) > room) {
            lines.append(rest(i));
            return lines;
        }
        current = pieces[i];
    }
    if (!current.isEmpty() || lines.isEmpty())
        lines.append(current);
    return lines;
}

void PageText::drawLine(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, qreal points,
                        const TextLine& runs) const
{
    qreal total = 0;
    for (const TextRun& run : runs)
        total += width(run, points);

    const bool fits = total <= rect.width();
    qreal x = rect.left();
    if (fits && (alignment & Qt::AlignRight))
        x = rect.right() - total;
    else if (fits && (alignment & Qt::AlignHCenter))
        x = rect.left() + (rect.width() - total) / 2;

    for (const TextRun& run : runs) {
        const QFont f = layoutFont(run.face, points);
        const QFontMetricsF metrics(f, m_device);
        const qreal room = (rect.right() - x) * layoutScale;
        QString text = run.text;
        const bool cut = !fits && metrics.horizontalAdvance(text) > room;
        if (cut)
            text = metrics.elidedText(text, Qt::ElideRight, room);
        if (!text.isEmpty()) {
            painter.save();
            painter.translate(x, rect.top() + metrics.ascent() / layoutScale);
            painter.scale(1 / layoutScale, 1 / layoutScale);
            painter.setFont(f);
            painter.setPen(run.color);
            painter.drawText(QPointF(0, 0), text);
            painter.restore();
        }
        if (cut)
            return;
        x += metrics.horizontalAdvance(text) / layoutScale;
    }
}
