#include "PageLegend.h"

#include "Color.h"
#include "HeaderNames.h"
#include "PageText.h"

#include <QPainter>

namespace {

constexpr qreal gap = 3;      // between the grid and the legend
constexpr qreal spacing = 10; // between two entries
constexpr qreal swatch = 6;   // the side of a colour square

qreal widthOf(const PageText& text, const TextLine& runs)
{
    qreal total = 0;
    for (const TextRun& run : runs)
        total += text.width(run, PageLegend::textSize);
    return total;
}

} // namespace

PageLegend::PageLegend(const PageText& text, const QList<Dentist>& dentists, const HeaderNames& header,
                       qreal width, const QColor& ink, const QColor& gray)
{
    if (!header.needsLegend())
        return;
    m_lineHeight = text.lineHeight(TextFace::Regular, textSize);
    m_lead = {{QStringLiteral("Dentisti:"), TextFace::Regular, gray}};
    qreal x = widthOf(text, m_lead) + spacing / 2;
    int line = 0;
    for (qsizetype i = 0; i < dentists.size(); ++i) {
        Entry entry{colorFromHex(dentists[i].colorHex), {}, 0, 0};
        const QString label = header.cells().value(i).join(u' ');
        if (header.form() == HeaderNames::Form::Number || !dentists[i].name.contains(label))
            entry.runs.append({label + u' ', TextFace::Bold, ink});
        entry.runs.append({dentists[i].name, TextFace::Regular, ink});
        const qreal entryWidth = swatch + 2 + widthOf(text, entry.runs);
        if (x > 0 && x + entryWidth > width && !m_entries.isEmpty()) {
            ++line;
            x = 0;
        }
        entry.line = line;
        entry.x = x;
        m_entries.append(entry);
        x += entryWidth + spacing;
    }
    m_lines = line + 1;
}

qreal PageLegend::height() const
{
    return isEmpty() ? 0 : gap + m_lines * m_lineHeight;
}

void PageLegend::draw(QPainter& painter, const PageText& text, const QPointF& topLeft) const
{
    if (isEmpty())
        return;
    const QPointF origin = topLeft + QPointF(0, gap);
    text.drawLine(painter, {origin.x(), origin.y(), widthOf(text, m_lead) + 1, m_lineHeight}, Qt::AlignLeft,
                  textSize, m_lead);
    for (const Entry& entry : m_entries) {
        const qreal top = origin.y() + entry.line * m_lineHeight;
        const QRectF square(origin.x() + entry.x, top + (m_lineHeight - swatch) / 2, swatch, swatch);
        QColor tint = entry.colour;
        tint.setAlphaF(0.25f);
        painter.fillRect(square, Qt::white);
        painter.fillRect(square, tint);
        painter.setPen(QPen(entry.colour, 0.6));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square);
        const qreal left = square.right() + 2;
        text.drawLine(painter, {left, top, widthOf(text, entry.runs) + 1, m_lineHeight}, Qt::AlignLeft, textSize,
                      entry.runs);
    }
}
