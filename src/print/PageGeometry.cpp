#include "PageGeometry.h"

#include "Schedule.h"

#include <algorithm>

PageGeometry::PageGeometry(const QRectF& page, int dayCount, int dentistCount)
    : PageGeometry(page, dayCount, dentistCount, Bands{})
{
}

PageGeometry::PageGeometry(const QRectF& page, int dayCount, int dentistCount, Bands bands)
    : m_page(page)
    , m_days(std::max(dayCount, 1))
    , m_perDay(std::max(dentistCount, 1))
    , m_columnWidth((page.width() - timeColumnWidth) / (m_days * m_perDay))
    , m_bands(bands)
{
}

qreal PageGeometry::baseSize() const
{
    return std::max(m_columnWidth / 8.5, 6.0);
}

qreal PageGeometry::appointmentTextSize() const
{
    return std::min(baseSize(), 9.0);
}

qreal PageGeometry::dentistNameSize() const
{
    return std::min(baseSize(), 8.0);
}

int PageGeometry::rowMinutes(int row)
{
    return Schedule::openingMinutes + Schedule::slotMinutes * row;
}

QRectF PageGeometry::dayBand(int day) const
{
    return {columnLeft(day, 0), gridTop(), m_columnWidth * m_perDay, dayBandHeight};
}

QRectF PageGeometry::dentistCell(int day, int dentist) const
{
    return {columnLeft(day, dentist), gridTop() + dayBandHeight, m_columnWidth, m_bands.dentist};
}

QRectF PageGeometry::appointmentBox(int day, int dentist, int startMinutes, int durationMinutes) const
{
    const int row = (startMinutes - Schedule::openingMinutes) / Schedule::slotMinutes;
    const qreal top = rowTop(row) + 0.8;
    const qreal height = rowHeight() * (qreal(durationMinutes) / Schedule::slotMinutes) - 1.6;
    return {columnLeft(day, dentist) + 1.2, top, m_columnWidth - 2.4, height};
}
