#pragma once

#include "ColumnCells.h"

#include <QDate>
#include <QDateTime>
#include <QList>

#include <functional>

// The keyboard cursor of the agenda: one slot of one dentist's column on one of the days on show. It
// knows nothing of widgets; the grid moves it with the keys and the mouse, draws it and scrolls to it.
//
// Up and Down step from cell to cell (ColumnCells): an appointment is one step however long it is, and
// the cursor lands on the slot next to where it came from. Left and Right step through the dentists and,
// past a day's last dentist, to the next day's first; they stop at the first and last column on show.
// The slot stays as it is across columns, also inside an appointment, so that a row can be followed.
class KeyboardCursor {
public:
    // The cells of a dentist's column on a day (dentist by id).
    using CellSource = std::function<ColumnCells(const QDate& day, qint64 dentistId)>;

    explicit KeyboardCursor(CellSource cells);

    // The days and dentists on show, in order. The cursor stays on its day and dentist while they are
    // on show; otherwise it keeps their position (the same weekday of another week, the next dentist
    // when its dentist was removed), clamped to what is on show. The slot never changes here.
    void setGrid(const QList<QDate>& days, const QList<qint64>& dentists);
    // Today's slot nearest to now (the next quarter, clamped to the day's slots) when today is on
    // show, else the first slot of the first day; the first dentist.
    void placeAtStart(const QDateTime& now);
    // Something is on show (at least one day and one dentist); the place below is meaningless otherwise.
    [[nodiscard]] bool isValid() const { return !m_days.isEmpty() && !m_dentists.isEmpty(); }

    [[nodiscard]] int dayIndex() const { return m_dayIndex; }
    [[nodiscard]] int dentistIndex() const { return m_dentistIndex; }
    [[nodiscard]] int slot() const { return m_slot; }
    [[nodiscard]] QDate day() const { return m_day; }
    [[nodiscard]] qint64 dentistId() const { return m_dentistId; }
    // The column's cells and the one under the cursor.
    [[nodiscard]] ColumnCells cells() const;
    [[nodiscard]] ColumnCells::Cell cell() const;

    // Each answers whether the cursor moved.
    bool up();
    bool down();
    bool left();
    bool right();
    bool toFirstSlot();
    bool toLastSlot();
    bool toFirstDay();
    bool toLastDay();
    // Any place on show (a click); out-of-range places are refused.
    bool moveTo(int dayIndex, int dentistIndex, int slot);

private:
    void setColumn(int dayIndex, int dentistIndex);
    bool setSlot(int slot);

    CellSource m_cells;
    QList<QDate> m_days;
    QList<qint64> m_dentists;
    int m_dayIndex = 0;
    int m_dentistIndex = 0;
    int m_slot = 0;
    QDate m_day;
    qint64 m_dentistId = 0;
};
