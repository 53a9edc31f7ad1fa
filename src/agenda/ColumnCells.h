#pragma once

#include "Appointment.h"
#include "Schedule.h"

#include <QList>

#include <array>
#include <optional>

// A dentist's day as the keyboard and assistive technology walk it, top to bottom: every free
// quarter-hour slot is one cell, and every appointment is one cell over all the slots it covers.
class ColumnCells {
public:
    static constexpr int slotCount = Schedule::slotCount;

    struct Cell {
        int first = 0; // first slot, 0 … 42
        int last = 0;  // last slot, inclusive
        std::optional<Appointment> appointment; // absent for a free slot

        // "10:00–10:15" for a free slot, the appointment's own range otherwise.
        [[nodiscard]] QString timeRange() const;
    };

    // A day without appointments: 43 free cells.
    ColumnCells() : ColumnCells(QList<Appointment>{}) {}
    // A slot belongs to the first appointment of the list that covers its start, as the column paints it.
    explicit ColumnCells(const QList<Appointment>& appointments);

    [[nodiscard]] int size() const { return int(m_cells.size()); }
    [[nodiscard]] const Cell& at(int index) const { return m_cells[index]; }
    [[nodiscard]] const QList<Cell>& cells() const { return m_cells; }
    // The cell holding a slot (0 … 42).
    [[nodiscard]] int indexOfSlot(int slot) const { return m_cellOfSlot[size_t(slot)]; }
    [[nodiscard]] const Cell& cellOfSlot(int slot) const { return m_cells[indexOfSlot(slot)]; }

private:
    QList<Cell> m_cells;
    std::array<int, slotCount> m_cellOfSlot{};
};
