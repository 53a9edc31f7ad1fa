#pragma once

#include "DayStatus.h"

#include <QDate>
#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;
class Store;

// "Disdette": the cancelled appointments of the days on show (the week, or the day in day view), by day
// and start, each with patient, day and time, dentist, who cancelled, why, when, and "tardiva" for a
// cancellation less than 24 hours ahead. "Ripristina" puts the chosen one back through the booking
// rules; a refusal shows the store's message under the list. The list follows the store's changes.
class CancellationsPanel : public QDialog {
    Q_OBJECT

public:
    CancellationsPanel(Store& store, QWidget* parent);

    [[nodiscard]] QTreeWidget* list() const { return m_list; }
    [[nodiscard]] QPushButton* restoreButton() const { return m_restore; }
    // The refusal of the last restore, or what the list says when the archive did not answer; empty
    // when nothing is said.
    [[nodiscard]] QString message() const;
    // The cancellations listed, in the list's order.
    [[nodiscard]] const QList<Cancellation>& shown() const { return m_shown; }

    // Restores the selected cancellation.
    void restoreSelected();

private:
    void reload();
    void setMessage(const QString& text);

    Store& m_store;
    QList<Cancellation> m_shown;
    QLabel* m_title = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_restore = nullptr;
};
