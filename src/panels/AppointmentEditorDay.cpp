// The appointment editor's part of the practice's day: the appointment's status, and what the patient's
// history says of missed and late-cancelled appointments.
#include "AppointmentEditor.h"

#include "Clock.h"
#include "PanelStyle.h"
#include "PatientSuggestions.h"
#include "Store.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int historyYears = 2;

constexpr std::array statuses{AppointmentStatus::ToConfirm, AppointmentStatus::Confirmed, AppointmentStatus::Arrived,
                              AppointmentStatus::NoShow};

QString times(int n)
{
    return n == 1 ? QStringLiteral("1 volta") : QString::number(n) + QStringLiteral(" volte");
}

QString lateCancellations(int n)
{
    return n == 1 ? QStringLiteral("1 disdetta tardiva") : QString::number(n) + QStringLiteral(" disdette tardive");
}

} // namespace

QString AppointmentEditor::brokenAppointmentsText(const BrokenAppointments& broken)
{
    QStringList parts;
    if (broken.noShows > 0)
        parts << times(broken.noShows) + QStringLiteral(" non presentato");
    if (broken.lateCancellations > 0)
        parts << lateCancellations(broken.lateCancellations);
    if (parts.isEmpty())
        return {};
    return parts.join(QStringLiteral(" e ")) + QStringLiteral(" negli ultimi %1 anni").arg(historyYears);
}

void AppointmentEditor::buildStatusField(QFormLayout* form)
{
    m_status = new QComboBox(form->parentWidget());
    m_status->setObjectName(QStringLiteral("statusPicker"));
    m_status->setAccessibleName(QStringLiteral("Stato"));
    for (const AppointmentStatus s : statuses)
        m_status->addItem(AppointmentStatuses::label(s), int(s));
    m_status->setToolTip(QStringLiteral("Lo stato cambia subito, anche senza «Salva»"));
    form->addRow(QStringLiteral("Stato"), m_status);
    showStoredStatus();
    connect(m_status, &QComboBox::currentIndexChanged, this, &AppointmentEditor::statusChosen);
}

void AppointmentEditor::buildBrokenLine(QFormLayout* form)
{
    m_broken = new QLabel(form->parentWidget());
    m_broken->setObjectName(QStringLiteral("brokenLine"));
    m_broken->setWordWrap(true);
    PanelStyle::style(m_broken, PanelStyle::callout(), PanelStyle::noticeOrange());
    m_broken->hide();
    form->addRow(m_broken);
}

// Like the block's menu, the picker writes at once: the status is not part of what "Salva" stores.
void AppointmentEditor::statusChosen(int index)
{
    if (index < 0 || m_draft.id == 0)
        return;
    const auto chosen = AppointmentStatus(m_status->itemData(index).toInt());
    if (const std::optional<DayStatus> now = m_store.currentStatus(m_draft.id); now && now->status == chosen)
        return;
    const std::optional<QString> refusal = m_store.setStatus(m_draft.id, chosen);
    setError(refusal);
    if (refusal)
        showStoredStatus();
}

void AppointmentEditor::showStoredStatus()
{
    if (!m_status)
        return;
    const std::optional<DayStatus> now =
        m_draft.id != 0 ? m_store.currentStatus(m_draft.id) : std::optional(DayStatus{});
    // A status the archive did not give is not shown as if it were one.
    const QSignalBlocker blocker(m_status);
    m_status->setCurrentIndex(now ? m_status->findData(int(now->status)) : -1);
}

// One quick read of the archive when the patient is known: a stored appointment opened, or a suggestion
// picked. A name being typed is no one yet, so the line goes.
void AppointmentEditor::lookUpBrokenAppointments()
{
    const QString patient = m_patient->text().trimmed();
    std::optional<BrokenAppointments> broken;
    if (!patient.isEmpty())
        broken = m_store.missedAndLateCancelled(patient, m_phone->text(), Clock::today().addYears(-historyYears));
    const QString text = broken ? brokenAppointmentsText(*broken) : QString();
    m_broken->setText(text);
    m_broken->setVisible(!text.isEmpty());
}
