#include "PatientSuggestions.h"

#include "Store.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStandardItemModel>

namespace {

constexpr int patientNameRole = Qt::UserRole + 1;
constexpr int patientPhoneRole = Qt::UserRole + 2;

} // namespace

PatientSuggestions::PatientSuggestions(Store& store, QLineEdit* name, QLineEdit* phone, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_name(name)
    , m_phone(phone)
{
    m_known = new QStandardItemModel(this);
    m_completer = new QCompleter(m_known, this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setCompletionRole(patientNameRole);
    m_completer->setWidget(m_name);
    connect(m_name, &QLineEdit::textEdited, this, &PatientSuggestions::suggest);
    connect(m_completer, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) {
                m_name->setText(index.data(patientNameRole).toString());
                m_phone->setText(index.data(patientPhoneRole).toString());
                emit picked(m_name->text(), m_phone->text());
            });
}

void PatientSuggestions::suggest(const QString& text)
{
    // Without an answer nothing is suggested, and nothing is kept as if it were one.
    m_store.knownPatients(text, this, [this](const std::optional<QList<KnownPatient>>& found) {
        show(found.value_or(QList<KnownPatient>()));
    });
}

void PatientSuggestions::show(const QList<KnownPatient>& found)
{
    m_known->clear();
    for (const KnownPatient& patient : found) {
        const QString shown =
            patient.phone.isEmpty() ? patient.name : patient.name + QStringLiteral(" · ") + patient.phone;
        auto* item = new QStandardItem(shown);
        item->setData(patient.name, patientNameRole);
        item->setData(patient.phone, patientPhoneRole);
        item->setEditable(false);
        m_known->appendRow(item);
    }
    if (m_known->rowCount() > 0)
        m_completer->complete();
    else
        m_completer->popup()->hide();
}
