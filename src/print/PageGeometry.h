#pragma once

#include <QRectF>

// All the arithmetic of one printed agenda page, in points: the time column, the header bands, the 43
// quarter-hour rows and the dentist columns of each day. Built from the page's printable rectangle (its
// place in a stacked frame included), the number of days on the page and the number of dentists.
class PageGeometry {
public:
    static constexpr int rowCount = 43;          // 09:00 … 19:30, one per quarter hour
    static constexpr qreal timeColumnWidth = 30; // left of the grid: the times
    static constexpr qreal gridTopOffset = 24;   // below the practice name and title
    static constexpr qreal dayBandHeight = 15;
    static constexpr qreal dentistBandHeight = 12;
    static constexpr qreal footerHeight = 12;

    // The heights of the dentists' header band and of the foot below the grid, which a page may
    // raise: names on two lines, a legend of the dentists above the footer line.
    struct Bands {
        qreal dentist = dentistBandHeight;
        qreal foot = footerHeight;
    };

    // A day with no dentist still gets one (empty) column, so its header and grid print.
    PageGeometry(const QRectF& page, int dayCount, int dentistCount);
    PageGeometry(const QRectF& page, int dayCount, int dentistCount, Bands bands);

    [[nodiscard]] const QRectF& page() const { return m_page; }
    [[nodiscard]] int dayCount() const { return m_days; }
    [[nodiscard]] int columnsPerDay() const { return m_perDay; }
    [[nodiscard]] int columns() const { return m_days * m_perDay; }
    [[nodiscard]] qreal columnWidth() const { return m_columnWidth; }
    // Column width / 8.5, at least 6; the text sizes below are capped at 9 and 8.
    [[nodiscard]] qreal baseSize() const;
    [[nodiscard]] qreal appointmentTextSize() const;
    [[nodiscard]] qreal dentistNameSize() const;

    [[nodiscard]] qreal gridLeft() const { return m_page.left() + timeColumnWidth; }
    [[nodiscard]] qreal gridTop() const { return m_page.top() + gridTopOffset; }
    [[nodiscard]] qreal bodyTop() const { return gridTop() + dayBandHeight + m_bands.dentist; }
    [[nodiscard]] qreal bodyBottom() const { return m_page.bottom() - m_bands.foot; }
    [[nodiscard]] qreal rowHeight() const { return (bodyBottom() - bodyTop()) / rowCount; }

    // Row i starts at minute 540 + 15 i; rows 0 … 43 give the 44 horizontal rules (43 is the body bottom).
    [[nodiscard]] static int rowMinutes(int row);
    [[nodiscard]] qreal rowTop(int row) const { return bodyTop() + rowHeight() * row; }

    // Vertical rule c (0 … columns) and whether it is the edge of a day rather than between dentists.
    [[nodiscard]] qreal columnX(int column) const { return gridLeft() + m_columnWidth * column; }
    [[nodiscard]] bool isDayEdge(int column) const { return column % m_perDay == 0; }
    [[nodiscard]] qreal columnLeft(int day, int dentist) const { return columnX(day * m_perDay + dentist); }

    [[nodiscard]] QRectF dayBand(int day) const;
    [[nodiscard]] QRectF dentistCell(int day, int dentist) const;
    // The box of an appointment: its rows (start snapped down to its quarter, real length), inset by
    // 1.2 left and right and 0.8 top and bottom.
    [[nodiscard]] QRectF appointmentBox(int day, int dentist, int startMinutes, int durationMinutes) const;

private:
    QRectF m_page;
    int m_days;
    int m_perDay;
    qreal m_columnWidth;
    Bands m_bands;
};
