#include "TimeColumn.h"

#include "AgendaStyle.h"
#include "GridGeometry.h"
#include "Schedule.h"

#include <QPainter>

TimeColumn::TimeColumn(QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(int(GridGeometry::timeColumnWidth));
}

void TimeColumn::setRowHeight(double rowHeight)
{
    if (rowHeight == m_rowHeight)
        return;
    m_rowHeight = rowHeight;
    update();
}

void TimeColumn::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    static const QFont hourFont = AgendaStyle::font(12, QFont::DemiBold);
    static const QFont quarterFont = AgendaStyle::font(10);
    const QPalette& pal = palette();
    for (int i = 0; i < GridGeometry::rowCount; ++i) {
        const int m = GridGeometry::slotStart(i);
        const bool hour = m % 60 == 0;
        p.setFont(hour ? hourFont : quarterFont);
        p.setPen(hour ? AgendaStyle::primary(pal) : AgendaStyle::secondary(pal));
        const QRectF label(0, i * m_rowHeight + 2, width() - 8, m_rowHeight - 2);
        p.drawText(label, Qt::AlignRight | Qt::AlignTop, Schedule::clockText(m));
    }
}
