#pragma once

#include "Recall.h"

#include <QDate>
#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;
class Store;

// "Richiami": a window of its own with the recalls of a month and the overdue ones, oldest first, one row
// each (patient, phone, kind, due day, last visit, attempts). "Prenota…" asks for the first free time for
// the patient; "Non risponde" counts a call without an answer; "Rimanda…" leaves the recall off the list
// until a chosen day; "Non richiamare" takes it off for good (undo brings it back). "Stampa…" and
// "Esporta…" put the list on paper and in the file for an SMS service. It follows every change, here or on
// another computer.
class RecallListWindow : public QDialog {
    Q_OBJECT

public:
    RecallListWindow(Store& store, QWidget* parent);

    [[nodiscard]] QTreeWidget* table() const { return m_table; }
    [[nodiscard]] const QList<Recall>& recalls() const { return m_recalls; }
    [[nodiscard]] const QDate& month() const { return m_month; }
    void setMonth(const QDate& month);
    // The line shown instead of the table; empty while the table is shown.
    [[nodiscard]] QString hint() const;
    // The recall of the current row, if any.
    [[nodiscard]] const Recall* current() const;
    void selectRow(int row);

    void notAnswered();
    void postpone();
    void stop();
    void book();
    // "Stampa…": the list on A4 sheets; "Esporta…": the month's file for an SMS service, its outcome in the
    // line beside the buttons.
    void printList();
    void exportList();
    [[nodiscard]] QString message() const;
    void refresh();

signals:
    // Book the patient: the first free time for a visit of `durationMinutes`.
    void bookRequested(const Recall& recall, int durationMinutes);

private:
    void act(const std::optional<QString>& failure);
    void refreshSoon();
    void updateButtons();

    Store& m_store;
    QDate m_month;
    QList<Recall> m_recalls;
    QLabel* m_monthLabel = nullptr;
    QLabel* m_hint = nullptr;
    QTreeWidget* m_table = nullptr;
    QList<QPushButton*> m_rowActions;
    QLabel* m_message = nullptr;
    bool m_refreshQueued = false;
};
