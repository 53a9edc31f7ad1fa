#pragma once

#include "Appointment.h"
#include "DayStatus.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Store;

// The sheet that cancels one appointment: who called it off ("Paziente" or "Studio") and, if given,
// why. "Disdici" takes the appointment off the agenda through Store::cancel (kept among the
// cancellations, restorable) and closes; a refusal goes to the store's alert. "Annulla" changes nothing.
class CancelDialog : public QDialog {
    Q_OBJECT

public:
    CancelDialog(Store& store, const Appointment& appointment, QWidget* parent);

    // Opens the sheet over the parent's window and returns at once; it deletes itself when closed.
    static CancelDialog* ask(Store& store, const Appointment& appointment, QWidget* parent);

    [[nodiscard]] QRadioButton* patientChoice() const { return m_patient; }
    [[nodiscard]] QRadioButton* practiceChoice() const { return m_practice; }
    [[nodiscard]] QLineEdit* reasonField() const { return m_reason; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_confirm; }
    // The line that warns a cancellation less than 24 hours ahead counts as late; hidden otherwise.
    [[nodiscard]] QLabel* lateNotice() const { return m_late; }

private:
    void confirm();

    Store& m_store;
    Appointment m_appointment;
    QRadioButton* m_patient = nullptr;
    QRadioButton* m_practice = nullptr;
    QLineEdit* m_reason = nullptr;
    QLabel* m_late = nullptr;
    QPushButton* m_confirm = nullptr;
};
