#include "CancelDialog.h"

#include "Clock.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CancelDialog::CancelDialog(Store& store, const Appointment& appointment, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_appointment(appointment)
{
    setWindowTitle(QStringLiteral("Disdici appuntamento"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    auto* title = new QLabel(QStringLiteral("Disdire l'appuntamento?"), this);
    title->setFont(PanelStyle::headline());
    column->addWidget(title);
    auto* what = new QLabel(store.appointmentLine(appointment), this);
    what->setWordWrap(true);
    column->addWidget(what);

    auto* form = new QFormLayout;
    auto* who = new QWidget(this);
    auto* whoRow = new QHBoxLayout(who);
    whoRow->setContentsMargins(0, 0, 0, 0);
    m_patient = new QRadioButton(QStringLiteral("Paziente"), who);
    m_practice = new QRadioButton(QStringLiteral("Studio"), who);
    m_patient->setChecked(true);
    auto* group = new QButtonGroup(who);
    group->addButton(m_patient);
    group->addButton(m_practice);
    whoRow->addWidget(m_patient);
    whoRow->addWidget(m_practice);
    whoRow->addStretch(1);
    form->addRow(QStringLiteral("Disdetto da:"), who);
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("reasonField"));
    m_reason->setPlaceholderText(QStringLiteral("facoltativo"));
    m_reason->setAccessibleName(QStringLiteral("Motivo"));
    form->addRow(QStringLiteral("Motivo:"), m_reason);
    m_reason->setMinimumWidth(300);
    column->addLayout(form);

    // Said before, not after: a late cancellation counts against the patient.
    m_late = new QLabel(QStringLiteral("Mancano meno di 24 ore: la disdetta sarà segnata come tardiva."), this);
    m_late->setWordWrap(true);
    PanelStyle::style(m_late, PanelStyle::callout(), PanelStyle::noticeOrange());
    m_late->setVisible(Store::isLateCancellation(appointment, Clock::now()));
    column->addWidget(m_late);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    m_confirm = buttons->addButton(QStringLiteral("Disdici"), QDialogButtonBox::AcceptRole);
    m_confirm->setObjectName(QStringLiteral("cancelAppointmentButton"));
    m_confirm->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CancelDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

CancelDialog* CancelDialog::ask(Store& store, const Appointment& appointment, QWidget* parent)
{
    auto* dialog = new CancelDialog(store, appointment, parent ? parent->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
    return dialog;
}

void CancelDialog::confirm()
{
    const CancelledBy by = m_practice->isChecked() ? CancelledBy::Practice : CancelledBy::Patient;
    const std::optional<QString> refusal = m_store.cancel(m_appointment, by, m_reason->text());
    accept();
    if (refusal)
        m_store.setAlertMessage(refusal);
}
