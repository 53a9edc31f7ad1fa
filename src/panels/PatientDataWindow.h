#pragma once

#include "PatientRecord.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class Store;

// "Dati del paziente": what the agenda keeps under a patient's name (any letter case) for the patient
// who asks for it: every appointment, cancelled ones included, the waiting-list entries and the recalls,
// each with the log's lines about it. The telephone numbers used are listed with a tick each; untick a namesake's
// number and what was booked under it leaves the list and the files. "Salva PDF…" and "Salva CSV…" write
// what is listed; "Anonimizza…" asks for the patient's erasure (anonymiseRequested) and does nothing
// itself.
class PatientDataWindow : public QDialog {
    Q_OBJECT

public:
    PatientDataWindow(Store& store, const QString& patient, QWidget* parent);

    [[nodiscard]] QListWidget* phoneList() const { return m_phones; }
    [[nodiscard]] QTreeWidget* appointmentList() const { return m_list; }
    [[nodiscard]] QPushButton* pdfButton() const { return m_pdf; }
    [[nodiscard]] QPushButton* csvButton() const { return m_csv; }
    [[nodiscard]] QPushButton* anonymiseButton() const { return m_anonymise; }
    // The summary over the list, or why there is no list (the archive did not answer).
    [[nodiscard]] QString summary() const;
    // What is listed: the record less the unticked numbers.
    [[nodiscard]] PatientRecord shown() const;
    // The unticked numbers (the empty text for the records without one).
    [[nodiscard]] QStringList excludedPhones() const;

    void savePdf();
    void saveCsv();

signals:
    // The receptionist asked to anonymise this patient, restricted to these numbers (the ticked ones).
    void anonymiseRequested(const QString& patient, const QStringList& phones);

private:
    void load(const QString& patient);
    void fillPhones();
    void fillList();
    using Writer = std::optional<QString> (*)(Store&, const PatientRecord&, const QString&);
    void save(const QString& title, const QString& extension, const QString& filter, Writer write);

    Store& m_store;
    PatientRecord m_record;
    bool m_loaded = false;
    QLabel* m_title = nullptr;
    QLabel* m_summary = nullptr;
    QListWidget* m_phones = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_csv = nullptr;
    QPushButton* m_anonymise = nullptr;
};
