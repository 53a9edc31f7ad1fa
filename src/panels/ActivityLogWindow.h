#pragma once

#include "ActivityEntry.h"

#include <QDialog>
#include <QHash>
#include <QList>

#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class RefusalLines;
class Store;

// "Registro attività": the activity log, newest first, a page at a time ("Altre voci…", or scrolling to
// the end, reads the next), with the columns Quando, Computer, Operatore, Azione and Cosa. Filters by
// day, patient, computer, operator and kind narrow what is read (typed filters after a short pause).
// "Esporta CSV…" writes every entry the filters select, all pages, and logs that export. "Ripristina"
// brings back the appointment that the chosen entry deleted or cancelled, through the booking rules; a
// refusal shows under the list with the nearest free starts, one click each. While only the first page is
// listed, it follows the store's changes (new entries come on top, the chosen one stays chosen).
class ActivityLogWindow : public QDialog {
    Q_OBJECT

public:
    // `pageSize` entries are read at a time.
    ActivityLogWindow(Store& store, QWidget* parent, int pageSize = 200);

    [[nodiscard]] QTreeWidget* list() const { return m_list; }
    [[nodiscard]] QCheckBox* dayFilter() const { return m_useDay; }
    [[nodiscard]] QDateEdit* dayPicker() const { return m_day; }
    [[nodiscard]] QLineEdit* patientFilter() const { return m_patient; }
    [[nodiscard]] QLineEdit* computerFilter() const { return m_computer; }
    [[nodiscard]] QLineEdit* operatorFilter() const { return m_operator; }
    [[nodiscard]] QComboBox* actionFilter() const { return m_action; }
    [[nodiscard]] QPushButton* moreButton() const { return m_more; }
    [[nodiscard]] QPushButton* exportButton() const { return m_export; }
    [[nodiscard]] QPushButton* restoreButton() const { return m_restore; }
    [[nodiscard]] RefusalLines* refusal() const { return m_refusal; }
    // The entries listed, in the list's order.
    [[nodiscard]] const QList<ActivityEntry>& shown() const { return m_shown; }
    // What the window says under the list (a restore done, an export written, an archive that did not
    // answer); empty when it says nothing.
    [[nodiscard]] QString message() const;
    // The filter the controls describe.
    [[nodiscard]] LogFilter filter() const;

    // Reads the first page again with the filters as they are.
    void reload();
    // Reads the next page after the last entry listed.
    void loadMore();
    // Asks for a file and writes the selected entries into it.
    void exportCsv();
    // Restores from the selected entry (at `start` instead of its own time when given).
    void restoreSelected(std::optional<int> start = std::nullopt);

private:
    QWidget* buildFilters();
    QWidget* buildButtons();
    void append(const QList<ActivityEntry>& entries);
    void setMessage(const QString& text);
    void updateRestoreButton();
    [[nodiscard]] std::optional<ActivityEntry> selectedEntry() const;
    [[nodiscard]] QStringList row(const ActivityEntry& entry) const;
    // The patient the entry is about: named by the entry, else by its appointment as stored now.
    [[nodiscard]] QString patientOf(const ActivityEntry& entry) const;

    Store& m_store;
    int m_pageSize;
    QList<ActivityEntry> m_shown;
    // The patients of the appointments whose entries name none (a move, a status), read once each.
    mutable QHash<qint64, QString> m_names;
    // Whether the last page read was full, so that another may follow.
    bool m_mayHaveMore = false;
    QTimer* m_typing = nullptr;
    QTimer* m_follow = nullptr;
    QCheckBox* m_useDay = nullptr;
    QDateEdit* m_day = nullptr;
    QLineEdit* m_patient = nullptr;
    QLineEdit* m_computer = nullptr;
    QLineEdit* m_operator = nullptr;
    QComboBox* m_action = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_message = nullptr;
    RefusalLines* m_refusal = nullptr;
    QPushButton* m_more = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_restore = nullptr;
};
