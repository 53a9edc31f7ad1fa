#include "DropPreview.h"

#include "AgendaStyle.h"
#include "AppointmentBlock.h"
#include "GridGeometry.h"
#include "Schedule.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

QFont labelFont()
{
    return AgendaStyle::font(AgendaStyle::captionSize, QFont::DemiBold);
}

// The label keeps the blocks' left padding, clear of where their colour bar lies.
QRectF labelArea(const QRectF& outline)
{
    return outline.adjusted(8, 1, -4, -1);
}

} // namespace

QRectF DropPreview::rect(const GridGeometry& geometry, double columnWidth) const
{
    return geometry.blockRect(m_landing, columnWidth);
}

QString DropPreview::label(const GridGeometry& geometry, double columnWidth) const
{
    const double room = labelArea(rect(geometry, columnWidth)).width();
    const QFontMetricsF metrics(labelFont());
    const QString range = m_landing.timeRange();
    if (metrics.horizontalAdvance(range) <= room)
        return range;
    const QString start = Schedule::clockText(m_landing.startMinutes);
    return metrics.horizontalAdvance(start) <= room ? start : QString();
}

void DropPreview::paint(QPainter& p, const GridGeometry& geometry, double columnWidth,
                        const QPalette& palette) const
{
    const QRectF outline = rect(geometry, columnWidth);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (m_fits)
        p.setBrush(AgendaStyle::accent(palette, 0.18));
    else
        p.setBrush(Qt::NoBrush);
    p.setPen(QPen(AgendaStyle::accent(palette), 2, m_fits ? Qt::SolidLine : Qt::DashLine));
    p.drawRoundedRect(outline, AppointmentBlock::cornerRadius, AppointmentBlock::cornerRadius);
    p.setFont(labelFont());
    p.setPen(AgendaStyle::accent(palette));
    // A one-row outline centres its label; a taller one puts it at the top, where a block's time is.
    const QRectF area = labelArea(outline);
    const QRectF line(area.left(), area.top(), area.width(),
                      std::min(area.height(), geometry.rowHeight() - 4));
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, label(geometry, columnWidth));
    p.restore();
}
