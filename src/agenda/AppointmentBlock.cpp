#include "AppointmentBlock.h"

#include "AgendaStyle.h"
#include "DragPayload.h"

#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QTextLayout>

namespace {

const QString middleDot = QStringLiteral(" \u00B7 ");

QString withTreatment(const QString& head, const QString& treatment)
{
    return treatment.isEmpty() ? head : head + middleDot + treatment;
}

// One line in the given font, cut with an ellipsis at its end; returns the height used.
double drawLine(QPainter& p, const QString& text, const QFont& font, const QColor& color, double x, double y,
                double width)
{
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QPointF(x, y + metrics.ascent()), metrics.elidedText(text, Qt::ElideRight, width));
    return metrics.height();
}

// Word-wrapped text of at most maxLines lines, the last one cut with an ellipsis when more remains.
void drawWrapped(QPainter& p, const QString& text, const QFont& font, const QColor& color, double x, double y,
                 double width, int maxLines)
{
    if (width <= 0)
        return;
    const QFontMetricsF metrics(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> lines;
    while (lines.size() <= maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        lines.append(line);
    }
    layout.endLayout();
    p.setFont(font);
    p.setPen(color);
    const int shown = int(std::min<qsizetype>(lines.size(), maxLines));
    for (int i = 0; i < shown; ++i) {
        const QTextLine& line = lines[i];
        QString part = text.mid(line.textStart(), line.textLength());
        if (i == shown - 1 && lines.size() > maxLines)
            part = metrics.elidedText(text.mid(line.textStart()).simplified(), Qt::ElideRight, width);
        p.drawText(QPointF(x, y + metrics.ascent()), part.trimmed());
        y += metrics.height();
    }
}

} // namespace

AppointmentBlock::AppointmentBlock(const Appointment& appointment, const QColor& color, bool compact,
                                   const QRectF& rect)
    : m_appointment(appointment)
    , m_color(color)
    , m_compact(compact)
    , m_rect(rect)
{
    m_shape.addRoundedRect(m_rect, cornerRadius, cornerRadius);
}

bool AppointmentBlock::contains(const QPointF& point) const
{
    return m_shape.contains(point);
}

void AppointmentBlock::paint(QPainter& p, const QPalette& palette) const
{
    if (m_rect.width() <= 0 || m_rect.height() <= 0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(m_shape);
    p.fillPath(m_shape, AgendaStyle::textBackground(palette));
    p.fillPath(m_shape, AgendaStyle::withAlpha(m_color, 0.25));

    const bool shortLayout = isShort(m_appointment);
    const QRectF content = m_rect.adjusted(8, shortLayout ? 0 : 2, -4, shortLayout ? 0 : -2);
    p.save();
    p.setClipRect(content, Qt::IntersectClip);
    if (shortLayout)
        paintShort(p, palette, content);
    else
        paintTall(p, palette, content);
    p.restore();

    p.fillRect(QRectF(m_rect.left(), m_rect.top(), 4, m_rect.height()), m_color);
    p.setClipping(false);
    p.setPen(QPen(AgendaStyle::withAlpha(m_color, 0.7), 0.75));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(m_rect, cornerRadius, cornerRadius);
    p.restore();
}

void AppointmentBlock::paintShort(QPainter& p, const QPalette& palette, const QRectF& content) const
{
    const QFont font = AgendaStyle::font(m_compact ? 11 : 12, QFont::DemiBold);
    const double lineHeight = QFontMetricsF(font).height();
    const double y = content.top() + (content.height() - lineHeight) / 2;
    drawLine(p, withTreatment(m_appointment.patient, m_appointment.treatment), font, AgendaStyle::primary(palette),
             content.left(), y, content.width());
}

void AppointmentBlock::paintTall(QPainter& p, const QPalette& palette, const QRectF& content) const
{
    const double x = content.left();
    const double width = content.width();
    const QColor secondary = AgendaStyle::secondary(palette);
    double y = content.top();
    y += drawLine(p, m_appointment.patient, AgendaStyle::font(m_compact ? 11 : 13, QFont::DemiBold),
                  AgendaStyle::primary(palette), x, y, width) + 1;
    y += drawLine(p, withTreatment(m_appointment.timeRange(), m_appointment.treatment),
                  AgendaStyle::font(m_compact ? 10 : 11), secondary, x, y, width) + 1;
    if (m_compact)
        return;
    const QFont detail = AgendaStyle::font(11);
    if (!m_appointment.phone.isEmpty())
        y += drawLine(p, QStringLiteral("\u260E ") + m_appointment.phone, detail, secondary, x, y, width) + 1;
    if (!m_appointment.notes.isEmpty())
        drawWrapped(p, m_appointment.notes, AgendaStyle::font(11, QFont::Normal, true), secondary, x, y, width, 2);
}

QString AppointmentBlock::toolTip(const Appointment& a)
{
    QStringList lines{a.timeRange() + QStringLiteral("  ") + a.patient};
    if (!a.treatment.isEmpty())
        lines << a.treatment;
    if (!a.phone.isEmpty())
        lines << QStringLiteral("Tel. ") + a.phone;
    if (!a.notes.isEmpty())
        lines << a.notes;
    return lines.join(u'\n');
}

QMimeData* AppointmentBlock::dragPayload(const Appointment& a)
{
    auto* data = new QMimeData;
    data->setText(DragPayload::fromId(a.id));
    return data;
}
