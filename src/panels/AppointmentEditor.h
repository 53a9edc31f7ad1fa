#pragma once

#include "Appointment.h"
#include "Dentist.h"
#include "KnownPatient.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <optional>

class NotesEdit;
class QComboBox;
class QCompleter;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStandardItemModel;
class QToolButton;
class QWidget;
class Store;

// The sheet in which one appointment is created, changed, duplicated or deleted: a window-modal
// dialog of fixed size over its parent's window. It works on a private copy of the appointment and
// touches the store only through saveEdited, storedAppointment, deleteAppointment, treatmentSuggestions
// and by clearing editing. When another computer changes or deletes the appointment meanwhile, a notice
// line says so and offers the stored version; the draft is replaced only when the user chooses it. It closes itself (done(), which also emits finished()) as soon as store.editing() becomes
// absent, by its own buttons or from anywhere else; the owner decides whether it is deleted then
// (for example with Qt::WA_DeleteOnClose). When shown it adopts its parent window's actions, so that
// their shortcuts keep working while the parent is blocked by the sheet.
class AppointmentEditor : public QDialog {
    Q_OBJECT

public:
    AppointmentEditor(Store& store, const Appointment& appointment, QWidget* parent);

    // The working copy as the controls hold it (its day is the original one; the date picker's day
    // is only written into the copy that is saved).
    [[nodiscard]] const Appointment& draft() const { return m_draft; }
    // The message in the error line; absent when the line is hidden.
    [[nodiscard]] const std::optional<QString>& error() const { return m_error; }
    // The starts offered after an overlap refusal (nearest before and after); empty when none is shown.
    [[nodiscard]] const QList<int>& alternatives() const { return m_alternativeStarts; }
    // The text of the notice about another computer's change; absent when the line is hidden.
    [[nodiscard]] const std::optional<QString>& notice() const { return m_notice; }

    // Runs the "Salva" button: stores the draft on the picker's day, closing on success.
    void save();
    // The notice's two choices: take the stored version into the form, or store the draft over it.
    void useStoredVersion();
    void saveOverStoredVersion();

    // Ends the sheet by clearing store.editing() (Escape, "Annulla", the window's close button).
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildForm(QWidget* content);
    QWidget* buildButtons();
    void fillDentists();
    void selectData(QComboBox* box, qint64 value);
    void edited();
    void setError(const std::optional<QString>& message);
    void updateTitleAndButtons();
    void makeCopy();
    void confirmDelete();
    void adoptParentActions();
    void storeChanged();
    void checkStoredVersion();
    void setNotice(const std::optional<QString>& text, bool offerChoice);
    void showDraft();
    QWidget* buildNoticeLine();
    void setAlternatives(const QList<int>& starts);
    void setUpPatientSuggestions();
    void suggestPatients(const QString& text);
    void showKnownPatients(const QList<KnownPatient>& found);

    Store& m_store;
    Appointment m_draft;
    // The stored appointment as this editor last knew it; what a save expects to replace.
    Appointment m_opened;
    // The stored version that differs from m_opened, while the notice offers it.
    std::optional<Appointment> m_stored;
    std::optional<QString> m_error;
    std::optional<QString> m_notice;
    QList<int> m_alternativeStarts;
    QList<Dentist> m_shownDentists;
    bool m_shownOnce = false;
    bool m_finished = false;

    QLabel* m_title = nullptr;
    QLineEdit* m_patient = nullptr;
    QLineEdit* m_phone = nullptr;
    QComboBox* m_dentist = nullptr;
    QDateEdit* m_date = nullptr;
    QComboBox* m_start = nullptr;
    QComboBox* m_duration = nullptr;
    QLineEdit* m_treatment = nullptr;
    QToolButton* m_suggestionsButton = nullptr;
    QMenu* m_suggestions = nullptr;
    NotesEdit* m_notes = nullptr;
    QWidget* m_errorLine = nullptr;
    QLabel* m_errorText = nullptr;
    QWidget* m_alternativesLine = nullptr;
    QCompleter* m_patientCompleter = nullptr;
    QStandardItemModel* m_knownPatients = nullptr;
    QWidget* m_noticeLine = nullptr;
    QLabel* m_noticeText = nullptr;
    QPushButton* m_useStored = nullptr;
    QPushButton* m_saveOver = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
};
