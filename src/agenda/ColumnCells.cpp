#include "ColumnCells.h"

#include "GridGeometry.h"

static_assert(ColumnCells::slotCount == GridGeometry::rowCount);

QString ColumnCells::Cell::timeRange() const
{
    if (appointment)
        return appointment->timeRange();
    return Schedule::clockText(GridGeometry::slotStart(first)) + u'\u2013'
        + Schedule::clockText(GridGeometry::slotStart(last + 1));
}

ColumnCells::ColumnCells(const QList<Appointment>& appointments)
{
    std::optional<qint64> previous; // the index in `appointments` of the cell above, when it is one
    for (int s = 0; s < slotCount; ++s) {
        const int m = GridGeometry::slotStart(s);
        std::optional<qint64> covering;
        for (qsizetype i = 0; i < appointments.size() && !covering; ++i)
            if (appointments[i].startMinutes <= m && m < appointments[i].endMinutes())
                covering = i;
        if (covering && covering == previous) {
            m_cells.last().last = s;
        } else {
            m_cells.append(Cell{s, s, covering ? std::optional(appointments[*covering]) : std::nullopt});
        }
        previous = covering;
        m_cellOfSlot[size_t(s)] = int(m_cells.size()) - 1;
    }
}
