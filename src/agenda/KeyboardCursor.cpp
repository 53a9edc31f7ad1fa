#include "KeyboardCursor.h"

#include "Schedule.h"

#include <algorithm>

KeyboardCursor::KeyboardCursor(CellSource cells)
    : m_cells(std::move(cells))
{
}

void KeyboardCursor::setGrid(const QList<QDate>& days, const QList<qint64>& dentists)
{
    m_days = days;
    m_dentists = dentists;
    if (!isValid())
        return;
    const qsizetype day = days.indexOf(m_day);
    const qsizetype dentist = dentists.indexOf(m_dentistId);
    setColumn(day >= 0 ? int(day) : m_dayIndex, dentist >= 0 ? int(dentist) : m_dentistIndex);
}

void KeyboardCursor::placeAtStart(const QDateTime& now)
{
    if (!isValid())
        return;
    const qsizetype today = m_days.indexOf(now.date());
    setColumn(today >= 0 ? int(today) : 0, 0);
    m_slot = 0;
    if (today >= 0) {
        const int minutes = now.time().hour() * 60 + now.time().minute();
        const int next = (minutes + Schedule::slotMinutes - 1) / Schedule::slotMinutes * Schedule::slotMinutes;
        m_slot = std::clamp((next - Schedule::openingMinutes) / Schedule::slotMinutes, 0, ColumnCells::slotCount - 1);
    }
}

void KeyboardCursor::setColumn(int dayIndex, int dentistIndex)
{
    m_dayIndex = std::clamp(dayIndex, 0, int(m_days.size()) - 1);
    m_dentistIndex = std::clamp(dentistIndex, 0, int(m_dentists.size()) - 1);
    m_day = m_days[m_dayIndex];
    m_dentistId = m_dentists[m_dentistIndex];
}

bool KeyboardCursor::setSlot(int slot)
{
    if (slot == m_slot)
        return false;
    m_slot = slot;
    return true;
}

ColumnCells KeyboardCursor::cells() const
{
    return isValid() ? m_cells(m_day, m_dentistId) : ColumnCells();
}

ColumnCells::Cell KeyboardCursor::cell() const
{
    return cells().cellOfSlot(m_slot);
}

bool KeyboardCursor::up()
{
    const ColumnCells column = cells();
    const int index = column.indexOfSlot(m_slot);
    return isValid() && index > 0 && setSlot(column.at(index - 1).last);
}

bool KeyboardCursor::down()
{
    const ColumnCells column = cells();
    const int index = column.indexOfSlot(m_slot);
    return isValid() && index + 1 < column.size() && setSlot(column.at(index + 1).first);
}

bool KeyboardCursor::left()
{
    if (!isValid())
        return false;
    if (m_dentistIndex > 0)
        return moveTo(m_dayIndex, m_dentistIndex - 1, m_slot);
    return moveTo(m_dayIndex - 1, int(m_dentists.size()) - 1, m_slot);
}

bool KeyboardCursor::right()
{
    if (!isValid())
        return false;
    if (m_dentistIndex + 1 < m_dentists.size())
        return moveTo(m_dayIndex, m_dentistIndex + 1, m_slot);
    return moveTo(m_dayIndex + 1, 0, m_slot);
}

bool KeyboardCursor::toFirstSlot()
{
    return isValid() && setSlot(0);
}

bool KeyboardCursor::toLastSlot()
{
    return isValid() && setSlot(ColumnCells::slotCount - 1);
}

bool KeyboardCursor::toFirstDay()
{
    return isValid() && moveTo(0, m_dentistIndex, m_slot);
}

bool KeyboardCursor::toLastDay()
{
    return isValid() && moveTo(int(m_days.size()) - 1, m_dentistIndex, m_slot);
}

bool KeyboardCursor::moveTo(int dayIndex, int dentistIndex, int slot)
{
    if (!isValid() || dayIndex < 0 || dayIndex >= m_days.size() || dentistIndex < 0
        || dentistIndex >= m_dentists.size() || slot < 0 || slot >= ColumnCells::slotCount)
        return false;
    if (dayIndex == m_dayIndex && dentistIndex == m_dentistIndex && slot == m_slot)
        return false;
    setColumn(dayIndex, dentistIndex);
    m_slot = slot;
    return true;
}
