#include "AccessibleColumn.h"

#include "AccessibleCell.h"
#include "Cal.h"
#include "DentistColumn.h"

AccessibleColumn::AccessibleColumn(DentistColumn* column)
    : QAccessibleWidget(column, QAccessible::List)
    , m_revision(column->contentRevision())
{
}

AccessibleColumn::~AccessibleColumn()
{
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
}

DentistColumn* AccessibleColumn::column() const
{
    return static_cast<DentistColumn*>(widget());
}

void AccessibleColumn::dropStaleCells() const
{
    if (column()->contentRevision() == m_revision)
        return;
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
    m_revision = column()->contentRevision();
}

QString AccessibleColumn::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    return column()->dentist().name + QStringLiteral(", ")
        + Cal::format(column()->day(), QStringLiteral("EEEEdMMMM"));
}

int AccessibleColumn::childCount() const
{
    return column()->cells().size();
}

QAccessibleInterface* AccessibleColumn::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    dropStaleCells();
    auto found = m_cells.constFind(index);
    if (found != m_cells.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* cell = new AccessibleCell(column(), index);
    m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int AccessibleColumn::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* cell = dynamic_cast<const AccessibleCell*>(child);
    if (!cell || cell->column() != column() || !cell->isValid())
        return -1;
    return cell->index();
}

QAccessibleInterface* AccessibleColumn::childAt(int x, int y) const
{
    const QPoint local = column()->mapFromGlobal(QPoint(x, y));
    const std::optional<int> slot = column()->geometryRules().slot(local.y());
    if (!slot || !column()->rect().contains(local))
        return nullptr;
    return child(column()->cells().indexOfSlot(*slot));
}

QAccessibleInterface* AccessibleColumn::focusChild() const
{
    const std::optional<int> slot = column()->cursorSlot();
    return slot ? child(column()->cells().indexOfSlot(*slot)) : nullptr;
}
