#pragma once

#include "WaitingEntry.h"

#include <QDialog>
#include <QList>

class DateField;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class Store;

// The small form of one waiting-list entry: patient, phone, duration, dentist (or any), weekdays, part
// of the day, from and (optionally) until which day, and a note. "Salva" writes it through the store and
// closes the form; a refusal stays in the form, in red, with nothing written.
class WaitingEntryForm : public QDialog {
    Q_OBJECT

public:
    WaitingEntryForm(Store& store, const WaitingEntry& entry, QWidget* parent);

    // The entry as the fields hold it.
    [[nodiscard]] WaitingEntry entry() const;
    [[nodiscard]] QString errorText() const;
    void save();

private:
    void addWeekdays(class QFormLayout* form);

    Store& m_store;
    WaitingEntry m_entry;
    QLineEdit* m_patient = nullptr;
    QLineEdit* m_phone = nullptr;
    QComboBox* m_duration = nullptr;
    QComboBox* m_dentist = nullptr;
    QList<QCheckBox*> m_weekdays;
    QComboBox* m_part = nullptr;
    DateField* m_from = nullptr;
    QCheckBox* m_hasUntil = nullptr;
    DateField* m_until = nullptr;
    QLineEdit* m_note = nullptr;
    QLabel* m_error = nullptr;
};
