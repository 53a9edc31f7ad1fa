#include "GridGeometry.h"

#include <cmath>

std::optional<int> GridGeometry::slot(double y) const
{
    const double s = std::floor(y / m_rowHeight);
    if (s < 0 || s >= rowCount)
        return std::nullopt;
    return int(s);
}

QRectF GridGeometry::slotRect(int slot, double columnWidth) const
{
    return QRectF(0, slot * m_rowHeight, columnWidth, m_rowHeight);
}

QRectF GridGeometry::blockRect(const Appointment& a, double columnWidth) const
{
    const int quarters = (a.startMinutes - 540) / 15;
    return QRectF(2, m_rowHeight * quarters + 1, columnWidth - 4, a.durationMinutes / 15.0 * m_rowHeight - 2);
}

QRectF GridGeometry::cursorRect(const ColumnCells::Cell& cell, double columnWidth) const
{
    if (cell.appointment)
        return blockRect(*cell.appointment, columnWidth);
    return slotRect(cell.first, columnWidth).adjusted(2, 1, -2, -1);
}

int GridGeometry::columnEdge(int c, int count, int width)
{
    if (count <= 0)
        return int(timeColumnWidth);
    const double share = std::max(0.0, width - timeColumnWidth) / count;
    return int(timeColumnWidth + std::lround(c * share));
}
