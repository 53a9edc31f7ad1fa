#pragma once

#include "Appointment.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

#include <functional>

class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class SearchResultsModel;
class Store;

// Finds appointments by patient, telephone or treatment as the user types, and takes the agenda to
// the day of the one picked. The content of a popup, 500 wide, its height following its content: the
// opener shows it (e.g. with the Qt::Popup window flag, under the toolbar's search button) and
// supplies `close`, which must hide it. Clicking a row (or Return on the current row, or in the field on
// the first row) picks it: the agenda moves to that day in day view and `close` is called; nothing is
// edited. Down goes from the field to the first row, Up from the first row back to the field.
class SearchPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 500;
    static constexpr int listHeight = 360;

    SearchPanel(Store& store, std::function<void()> close, const QString& initialText, QWidget* parent);

    [[nodiscard]] QLineEdit* field() const { return m_field; }
    [[nodiscard]] QListView* list() const { return m_list; }
    // The results of the last search, in the store's order.
    [[nodiscard]] const QList<Appointment>& results() const;
    // The hint shown instead of the list; empty while the list is shown.
    [[nodiscard]] QString hint() const;
    // Whether the answer to the text in the field is still to come.
    [[nodiscard]] bool searching() const { return m_waiting; }

    // What a click on a row does.
    void pick(const Appointment& appointment);
    // The menu of a result (the right button or the menu key on a row), built and not shown: "Dati del
    // paziente…" and "Anonimizza…" the row's patient, limited to its telephone so that a namesake is
    // spared; the panel closes first. The caller owns it.
    [[nodiscard]] QMenu* resultMenu(const Appointment& appointment);

signals:
    // A result was picked; its day is on show (so that the agenda can bring it into view).
    void picked(const Appointment& appointment);
    // The receptionist asked for everything kept under the result's patient; the panel closes next.
    void patientDataRequested(const QString& patient);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search(const QString& text);
    void showResults(const QString& text, const std::optional<QList<Appointment>>& found);
    void fitHeight();

    Store& m_store;
    std::function<void()> m_close;
    QLineEdit* m_field = nullptr;
    QLabel* m_hint = nullptr;
    QListView* m_list = nullptr;
    SearchResultsModel* m_model = nullptr;
    // A search was asked and its answer has not come yet.
    bool m_waiting = false;
};
