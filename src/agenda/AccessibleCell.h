#pragma once

#include "ColumnCells.h"
#include "Dentist.h"

#include <QAccessibleInterface>
#include <QPointer>

class DentistColumn;

// One cell of a dentist's column, a free slot or an appointment, as assistive technology sees it. Its
// name reads like a sentence: the dentist, the day, the time range and the patient, or "libero" ("Chiuso"
// or "Non in attività" on a closed column, with the reason: "Chiuso – Ponte"). A cell is made for one content
// of its column (AccessibleColumn drops it when the content changes).
class AccessibleCell : public QAccessibleInterface {
public:
    AccessibleCell(DentistColumn* column, int index);

    // "Dentista 1, martedì 3 dicembre, 10:00–10:30, Mario Rossi" or "…, 10:15–10:30, libero"; `vacant`
    // stands for "libero" where the slot takes no booking.
    [[nodiscard]] static QString name(const Dentist& dentist, const QDate& day, const ColumnCells::Cell& cell,
                                      const QString& vacant = QStringLiteral("libero"));

    [[nodiscard]] DentistColumn* column() const { return m_column; }
    [[nodiscard]] int index() const { return m_index; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    [[nodiscard]] const ColumnCells::Cell& cell() const;

    QPointer<DentistColumn> m_column;
    int m_index;
    quint64 m_revision;
};
