#pragma once

#include "WaitingEntry.h"
#include "WaitingEntryForm.h"

#include <QDialog>
#include <QList>
#include <QPointer>

class QLabel;
class QPushButton;
class QTreeWidget;
class Store;

// "Lista d'attesa": a window of its own with every patient waiting for an earlier or any appointment,
// oldest first, one row each. "Aggiungi…" and "Modifica…" (or a double click) open the entry's form;
// "Rimuovi" asks first. The list follows the other computers' changes.
class WaitingListPanel : public QDialog {
    Q_OBJECT

public:
    WaitingListPanel(Store& store, QWidget* parent);

    [[nodiscard]] QTreeWidget* table() const { return m_table; }
    [[nodiscard]] const QList<WaitingEntry>& entries() const { return m_entries; }
    // The line shown instead of the table; empty while the table is shown.
    [[nodiscard]] QString hint() const;
    // The form open over the panel, if any.
    [[nodiscard]] WaitingEntryForm* form() const { return m_form; }

    // Opens the form for `entry` (id 0: a new one).
    void openForm(const WaitingEntry& entry);
    void refresh();

private:
    [[nodiscard]] const WaitingEntry* current() const;
    void removeCurrent();

    Store& m_store;
    QList<WaitingEntry> m_entries;
    QTreeWidget* m_table = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QPointer<WaitingEntryForm> m_form;
};
