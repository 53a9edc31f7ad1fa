#include "AccessibleCell.h"

#include "AppointmentBlock.h"
#include "Cal.h"
#include "DentistColumn.h"

#include <QWidget>
#include <QWindow>

AccessibleCell::AccessibleCell(DentistColumn* column, int index)
    : m_column(column)
    , m_index(index)
    , m_revision(column->contentRevision())
{
}

QString AccessibleCell::name(const Dentist& dentist, const QDate& day, const ColumnCells::Cell& cell,
                            const QString& vacant)
{
    const QString who = cell.appointment ? cell.appointment->patient : vacant;
    return QStringList{dentist.name, Cal::format(day, QStringLiteral("EEEEdMMMM")), cell.timeRange(), who}.join(
        QStringLiteral(", "));
}

bool AccessibleCell::isValid() const
{
    return m_column && m_column->contentRevision() == m_revision && m_index < m_column->cells().size();
}

const ColumnCells::Cell& AccessibleCell::cell() const
{
    return m_column->cells().at(m_index);
}

QWindow* AccessibleCell::window() const
{
    return m_column ? m_column->window()->windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleCell::parent() const
{
    return QAccessible::queryAccessibleInterface(m_column.data());
}

QString AccessibleCell::text(QAccessible::Text t) const
{
    if (!isValid())
        return {};
    const ColumnCells::Cell& c = cell();
    switch (t) {
    case QAccessible::Name:
        // A closed column's free slots are not free: they say why, with the reason when there is one.
        if (const auto& closure = m_column->closure()) {
            const QString why = closure->detail.isEmpty()
                                    ? closure->title
                                    : closure->title + QStringLiteral(" \u2013 ") + closure->detail;
            return name(m_column->dentist(), m_column->day(), c, why);
        }
        // An appointment is read with its status.
        if (c.appointment)
            return name(m_column->dentist(), m_column->day(), c) + QStringLiteral(", ")
                + AppointmentStatuses::label(m_column->status(c.appointment->id));
        return name(m_column->dentist(), m_column->day(), c);
    case QAccessible::Description:
        // What the block's tooltip adds to the name: treatment, telephone and notes.
        return c.appointment ? AppointmentBlock::toolTip(*c.appointment).section(u'\n', 1) : QString();
    default:
        return {};
    }
}

QRect AccessibleCell::rect() const
{
    if (!isValid())
        return {};
    const QRect local = m_column->cursorRect(cell().first).toAlignedRect();
    return QRect(m_column->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State AccessibleCell::state() const
{
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.focusable = true;
    const std::optional<int> cursor = m_column->cursorSlot();
    s.focused = cursor && cell().first <= *cursor && *cursor <= cell().last;
    s.invisible = !m_column->isVisible();
    return s;
}
