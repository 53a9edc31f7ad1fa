// A patient's own data, gathered for the patient who asks for it.
#include "AgendaArchive.h"
#include "Store.h"
#include "TextCompare.h"

#include <algorithm>

namespace {

const QString appointmentTarget = QStringLiteral("appointment");
const QString waitingTarget = QStringLiteral("waiting");
const QString recallTarget = QStringLiteral("recall");

} // namespace

PatientRecord Store::patientRecord(const QString& name)
{
    PatientRecord record{Text::trimmed(name), {}, {}, {}};
    const AgendaArchive::PatientRows rows = m_archive.patientRows(record.name);
    for (const Appointment& a : rows.appointments)
        record.visits.append({a, rows.statuses.value(a.id).status, std::nullopt, m_archive.logOf(appointmentTarget, a.id)});
    for (const Cancellation& c : rows.cancellations)
        record.visits.append({c.appointment, c.statusBefore, c, m_archive.logOf(appointmentTarget, c.appointment.id)});
    std::sort(record.visits.begin(), record.visits.end(), [](const PatientVisit& x, const PatientVisit& y) {
        const Appointment& a = x.appointment;
        const Appointment& b = y.appointment;
        return std::tie(a.day, a.startMinutes, a.id) < std::tie(b.day, b.startMinutes, b.id);
    });
    for (const WaitingEntry& w : rows.waiting)
        record.waiting.append({w, m_archive.logOf(waitingTarget, w.id)});
    for (const Recall& r : rows.recalls)
        record.recalls.append({r, m_archive.logOf(recallTarget, r.id)});
    // Named as the agenda writes the name most recently, whatever letter case it was asked in.
    if (!record.visits.isEmpty())
        record.name = record.visits.last().appointment.patient;
    else if (!record.waiting.isEmpty())
        record.name = record.waiting.last().entry.patient;
    else if (!record.recalls.isEmpty())
        record.name = record.recalls.last().recall.patient;
    return record;
}
