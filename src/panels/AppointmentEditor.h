#pragma once

#include "Appointment.h"
#include "DayStatus.h"
#include "Dentist.h"
#include "Recall.h"
#include "VersionMerge.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <optional>

class ChangeNotice;
class FormSection;
class HistorySection;
class NotesEdit;
class PatientSuggestions;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class RefusalLines;
class QWidget;
class RecallField;
class Store;
class TreatmentField;

// The sheet in which one appointment is created, changed, duplicated or deleted: a window-modal
// dialog of fixed size over its parent's window. It works on a private copy of the appointment and
// touches the store only through saveEdited, storedAppointment, deleteAppointment, treatmentSuggestions,
// showDate (a save on a day not on show goes there) and by clearing editing. When another computer
// changes or deletes the appointment meanwhile, a notice line says so (see ChangeNotice); the draft
// takes the stored version only when the user chooses it, and then field by field. It closes itself
// (done(), which also emits finished()) as soon as store.editing() becomes absent, by its own buttons or
// from anywhere else; the owner decides whether it is deleted then (for example with
// Qt::WA_DeleteOnClose). When shown it puts the focus in the patient's name and adopts its parent
// window's actions, so that their shortcuts keep working while the parent is blocked by the sheet.
class AppointmentEditor : public QDialog {
    Q_OBJECT

public:
    AppointmentEditor(Store& store, const Appointment& appointment, QWidget* parent);

    // The working copy as the controls hold it (its day is the original one; the date picker's day
    // is only written into the copy that is saved).
    [[nodiscard]] const Appointment& draft() const { return m_draft; }
    // The message in the error line; absent when the line is hidden.
    [[nodiscard]] const std::optional<QString>& error() const;
    // The starts offered after an overlap refusal (nearest before and after); empty when none is shown.
    [[nodiscard]] const QList<int>& alternatives() const;
    // The text of the notice about another computer's change; absent when the line is hidden.
    [[nodiscard]] std::optional<QString> notice() const;

    // Runs the "Salva" button: stores the draft on the picker's day, closing on success.
    void save();
    // The notice's two choices. The first joins the stored version with the user's edits: a field only
    // the user changed keeps what they typed, one only the other computer changed takes the stored
    // value, one both changed takes the stored value and is offered as a choice between the two.
    void useStoredVersion();
    // Stores the draft over the stored version.
    void saveOverStoredVersion();

    // What the editor says of a patient's broken appointments in the last two years, e.g. "2 volte non
    // presentato e 1 disdetta tardiva negli ultimi 2 anni"; empty when there are none.
    [[nodiscard]] static QString brokenAppointmentsText(const BrokenAppointments& broken);
    // The line that says it for the patient in the editor; hidden when there is nothing to say.
    [[nodiscard]] QLabel* brokenLine() const { return m_broken; }
    // The status picker: a stored appointment's status, changed at once (not with "Salva").
    [[nodiscard]] QComboBox* statusPicker() const { return m_status; }
    // The folded "Storia" of a stored appointment; null for a new one.
    [[nodiscard]] HistorySection* history() const { return m_history; }

    // "Richiamo": the recall this appointment sets.
    [[nodiscard]] RecallField* recallField() const { return m_recall; }

    // Ends the sheet by clearing store.editing() (Escape, "Annulla", the window's close button).
    void reject() override;

    // "Dati del paziente…", shown for a stored appointment with a patient's name.
    [[nodiscard]] QPushButton* patientDataButton() const { return m_patientData; }

signals:
    // The receptionist asked for everything the agenda keeps under the patient's name (as typed).
    void patientDataRequested(const QString& patient);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The margin around the sheet's title, form, notices and buttons.
    static constexpr int padding = 20;

    void buildForm(QWidget* content);
    FormSection* buildPatientSection(QWidget* content);
    FormSection* buildAppointmentSection(QWidget* content);
    FormSection* buildNotesSection(QWidget* content);
    void connectFields();
    QWidget* buildButtons();
    void fillDentists();
    void selectData(QComboBox* box, qint64 value);
    void edited();
    void setError(const std::optional<QString>& message);
    void updateTitleAndButtons();
    void updateSaveButton();
    // The draft with the date picker's day: what a save stores.
    [[nodiscard]] Appointment shownVersion() const;
    void takeValue(AppointmentField field, const Appointment& from);
    void showDeleted(const QString& message);
    void makeCopy();
    void confirmDelete();
    void adoptParentActions();
    void storeChanged();
    void checkStoredVersion();
    void showDraft();
    // The status picker and the broken-appointment line (AppointmentEditorDay.cpp).
    void buildStatusField(QFormLayout* form);
    void buildRecallField(QFormLayout* form);
    void buildBrokenLine(QFormLayout* form);
    void statusChosen(int index);
    void showStoredStatus();
    void lookUpBrokenAppointments();

    Store& m_store;
    Appointment m_draft;
    // The stored appointment as this editor last knew it; what a save expects to replace.
    Appointment m_opened;
    // The stored version that differs from m_opened, while the notice offers it.
    std::optional<Appointment> m_stored;
    QList<Dentist> m_shownDentists;
    bool m_shownOnce = false;
    bool m_finished = false;

    QLabel* m_title = nullptr;
    QLineEdit* m_patient = nullptr;
    QLineEdit* m_phone = nullptr;
    QLabel* m_broken = nullptr;
    QComboBox* m_status = nullptr;
    QComboBox* m_dentist = nullptr;
    QDateEdit* m_date = nullptr;
    QComboBox* m_start = nullptr;
    QComboBox* m_duration = nullptr;
    TreatmentField* m_treatmentField = nullptr;
    RecallField* m_recall = nullptr;
    // Whether the appointment's stored recall was read: only then does a save write the field.
    bool m_recallRead = true;
    // The recall as the field first showed it: a stored appointment's save leaves the stored recall alone
    // unless the field was changed, so that another computer's change to it is not undone unseen.
    RecallPlan m_recallShown;
    QLineEdit* m_treatment = nullptr;
    NotesEdit* m_notes = nullptr;
    RefusalLines* m_refusal = nullptr;
    PatientSuggestions* m_patientSuggestions = nullptr;
    ChangeNotice* m_notice = nullptr;
    HistorySection* m_history = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_invite = nullptr;
    QPushButton* m_patientData = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
};
