#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QToolButton;
class Store;

// "Storia": the history of a stored appointment in the editor, folded until opened (so that the sheet
// stays compact and the log is read only when asked), one line per entry, oldest first: when, who and
// what, e.g. "4 dic 10:02 · RECEPTION (anna): stato: Arrivato". Read again whenever the store changes
// while it is open.
class HistorySection : public QWidget {
    Q_OBJECT

public:
    HistorySection(Store& store, qint64 appointmentId, QWidget* parent);

    [[nodiscard]] QToolButton* toggle() const { return m_toggle; }
    // The lines on show; empty while folded.
    [[nodiscard]] QStringList lines() const;

private:
    void reload();

    Store& m_store;
    qint64 m_id;
    QToolButton* m_toggle = nullptr;
    QLabel* m_lines = nullptr;
};
