#pragma once

#include "Appointment.h"
#include "VersionMerge.h"

#include <QList>
#include <QWidget>

#include <optional>

class QGridLayout;
class QLabel;
class QPushButton;
class Store;

// The label of a field in the appointment editor's form ("Nome e cognome", "Telefono", …).
[[nodiscard]] QString fieldLabel(AppointmentField field);

// The notice under the appointment editor's form about another computer's change of the same
// appointment, in one of three forms:
// - changed: the text, with "Usa la versione salvata" and "Salva la mia versione";
// - deleted: the text alone;
// - merged: after the stored version was joined with the user's edits, one row per field that both
//   changed, offering the stored value (chosen at first) and the user's; choosing emits valueChosen.
class ChangeNotice : public QWidget {
    Q_OBJECT

public:
    enum class State { Hidden, Changed, Deleted, Merged };

    // `store` names the dentists; it must outlive the notice. `padding` is the sheet's side margin.
    ChangeNotice(const Store& store, int padding, QWidget* parent);

    [[nodiscard]] State state() const { return m_state; }
    // The notice's text; absent while hidden.
    [[nodiscard]] std::optional<QString> text() const;

    void showChanged(const QString& text);
    void showDeleted(const QString& text);
    // `mine` and `stored` are the two versions the conflicting `fields` come from.
    void showConflicts(const Appointment& mine, const Appointment& stored,
                       const QList<AppointmentField>& fields);
    void clear();

signals:
    void useStoredRequested();
    void saveOverRequested();
    // The user picked, for one conflicting field, the value that `from` holds.
    void valueChosen(AppointmentField field, const Appointment& from);

private:
    void setState(State state, const QString& text);
    void clearConflicts();
    void addConflict(int row, AppointmentField field);
    [[nodiscard]] QString valueText(AppointmentField field, const Appointment& a) const;

    const Store& m_store;
    State m_state = State::Hidden;
    Appointment m_mine;
    Appointment m_stored;
    QLabel* m_text = nullptr;
    QWidget* m_choices = nullptr;
    QPushButton* m_useStored = nullptr;
    QPushButton* m_saveOver = nullptr;
    QWidget* m_conflicts = nullptr;
    QGridLayout* m_conflictRows = nullptr;
};
