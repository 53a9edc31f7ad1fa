#pragma once

#include "Store.h"

#include <QDate>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class DateField;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Da confermare": the appointments of a day still to confirm, for the reminder calls, in time order
// with time, patient, dentist, phone, call attempts and status. The day is the next one the practice
// works, or one chosen in the date field. On the list, C (or the "Confermato" button) marks the selected
// appointment confirmed and N (or "Non risponde") counts a call without an answer; either way the list
// stays open and the next appointment is selected. "Stampa…" prints the list for the calls, "Esporta…"
// writes the day's reminder file for an SMS service. A window of its own; it follows the store.
class ConfirmationPanel : public QWidget {
    Q_OBJECT

public:
    // Asks where to write a file, suggesting a name; absent when cancelled.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent, const QString& suggested)>;

    explicit ConfirmationPanel(Store& store, QWidget* parent = nullptr);

    [[nodiscard]] QDate day() const;
    void setDay(const QDate& day);
    [[nodiscard]] const QList<Store::ToConfirm>& lines() const { return m_lines; }
    [[nodiscard]] QTreeWidget* list() const { return m_list; }
    // The appointment selected, if any.
    [[nodiscard]] std::optional<qint64> selectedId() const;
    // The line under the list: the outcome of the last action, or why the list is empty.
    [[nodiscard]] QString message() const;

    void confirmSelected();
    void noAnswerSelected();
    void printList();
    void exportReminders();
    // The screenshot mode's picture of the list of the store's next working day, with one call already
    // made without an answer; false when it cannot be written.
    static bool writeScreenshot(Store& store, const QString& path);
    // Replaces the save dialog (tests).
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

private:
    void refresh();
    void refreshSoon();
    void mark(const std::function<std::optional<QString>(qint64)>& change);
    void select(std::optional<qint64> id);
    void setMessage(const QString& text, bool error = false);

    Store& m_store;
    QList<Store::ToConfirm> m_lines;
    DateField* m_day = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_noAnswer = nullptr;
    FileChooser m_chooseFile;
    bool m_refreshQueued = false;
    // The message line says how many are left (until an action has something else to say).
    bool m_showsCount = false;
};
