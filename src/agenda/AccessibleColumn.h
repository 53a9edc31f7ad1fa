#pragma once

#include <QAccessibleWidget>
#include <QHash>

class DentistColumn;

// A dentist's column for assistive technology: a list named after the dentist and the day, whose items
// are its cells (AccessibleCell), free slots and appointments from top to bottom. The focused item is
// the keyboard cursor's cell.
class AccessibleColumn : public QAccessibleWidget {
public:
    explicit AccessibleColumn(DentistColumn* column);
    ~AccessibleColumn() override;

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    [[nodiscard]] DentistColumn* column() const;
    // Cells made for an earlier content of the column are dropped.
    void dropStaleCells() const;

    mutable QHash<int, QAccessible::Id> m_cells;
    mutable quint64 m_revision = 0;
};
