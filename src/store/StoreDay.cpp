// The appointment's life after booking: statuses, call attempts, cancellations and their restoring.
#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "SaveFailure.h"
#include "Store.h"

#include "LoggedAct.h"
#include "StoreHistory.h"
#include "StorePractice.h"

#include <algorithm>

namespace {

// A cancellation this close to the start leaves too little time to offer the slot to someone else.
constexpr qint64 lateCancellationSeconds = 24 * 3600;

QString statusChangedElsewhereText(const DayStatus& now)
{
    return QStringLiteral("Nel frattempo un altro computer ha cambiato lo stato di questo appuntamento (ora «")
        + AppointmentStatuses::label(now.status) + QStringLiteral("»).");
}

} // namespace

QHash<qint64, DayStatus> Store::fetchStatuses(const QList<Appointment>& week)
{
    QList<qint64> ids;
    ids.reserve(week.size());
    for (const Appointment& a : week)
        ids.append(a.id);
    return m_archive.statuses(ids);
}

std::optional<DayStatus> Store::currentStatus(qint64 id)
{
    if (m_weekStatuses.contains(id)
        || std::any_of(m_weekAppointments.cbegin(), m_weekAppointments.cend(),
                       [id](const Appointment& a) { return a.id == id; }))
        return status(id);
    try {
        return m_archive.statuses({id}).value(id);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

bool Store::isLateCancellation(const Appointment& a, const QDateTime& at)
{
    const QDateTime start(a.date(), QTime(0, 0).addSecs(qint64(a.startMinutes) * 60));
    return at.secsTo(start) < lateCancellationSeconds;
}

std::optional<QString> Store::recordStatus(qint64 id, const std::function<DayStatus(const DayStatus&)>& next,
                                           const QString& what)
{
    if (m_readOnly)
        return readOnlyText();
    DayStatus before;
    DayStatus after;
    std::optional<QString> refusal;
    bool wrote = false;
    // What the history names: the appointment as on show, or as stored when another week is on show
    // (the confirmation list of another day).
    Appointment seen{id, 0, {}, 0, 0, {}, {}, {}, {}};
    const auto shown = std::find_if(m_weekAppointments.cbegin(), m_weekAppointments.cend(),
                                    [id](const Appointment& a) { return a.id == id; });
    try {
        if (shown != m_weekAppointments.cend())
            seen = *shown;
        else if (const std::optional<Appointment> stored = m_archive.appointment(id))
            seen = *stored;
        wrote = m_archive.changeStatus(id, [&](const DayStatus& stored) -> std::optional<DayStatus> {
            before = stored;
            after = next(stored);
            return after;
        });
        if (!wrote)
            refusal = deletedElsewhereText();
    } catch (const DatabaseError& error) {
        refusal = SaveFailure::text(error);
    }
    reload();
    if (wrote) {
        Change change{Change::Kind::Status, seen, seen, what + seen.patient};
        change.statusBefore = before;
        change.statusAfter = after;
        record(change);
    }
    return refusal;
}

std::optional<QString> Store::setStatus(qint64 id, AppointmentStatus status)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("status"));
    return recordStatus(
        id, [status](DayStatus s) { s.status = status; return s; }, QStringLiteral("cambio di stato di "));
}

std::optional<QString> Store::recordCallAttempt(qint64 id)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("call"));
    return recordStatus(
        id, [](DayStatus s) { ++s.callAttempts; return s; }, QStringLiteral("chiamata senza risposta a "));
}

std::optional<QString> Store::changeExpectedStatus(qint64 id, const DayStatus& before, const DayStatus& after)
{
    std::optional<QString> refusal;
    try {
        const bool found = m_archive.changeStatus(id, [&](const DayStatus& stored) -> std::optional<DayStatus> {
            if (stored == before)
                return after;
            refusal = statusChangedElsewhereText(stored);
            return std::nullopt;
        });
        if (!found && !refusal)
            refusal = deletedElsewhereText();
    } catch (const DatabaseError& error) {
        refusal = SaveFailure::text(error);
    }
    reload();
    return refusal;
}

std::optional<QString> Store::cancel(const Appointment& seen, CancelledBy by, const QString& reason)
{
    if (m_readOnly)
        return readOnlyText();
    const LoggedAct act(m_archive, m_act, QStringLiteral("cancel"));
    // A copy: the caller's may be a row of the week, which the reload replaces.
    const Appointment expected = seen;
    std::optional<QString> refusal = cancelExpected(expected, by, reason.trimmed());
    if (!refusal) {
        Change change{Change::Kind::Cancel, expected, expected, QStringLiteral("disdetta di ") + expected.patient};
        change.by = by;
        change.reason = reason.trimmed();
        record(change);
    }
    return refusal;
}

std::optional<QString> Store::cancelExpected(const Appointment& expected, CancelledBy by, const QString& reason)
{
    std::optional<QString> refusal;
    const QDateTime now = Clock::now();
    const Cancellation cancellation{expected, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), by, reason,
                                    isLateCancellation(expected, now), AppointmentStatus::ToConfirm};
    try {
        // Only what the user saw is cancelled: an edit made elsewhere meanwhile is not lost unseen.
        const bool moved = m_archive.cancelAppointment(expected.id, cancellation, [&](const Appointment& stored) {
            if (stored == expected)
                return true;
            refusal = changedElsewhereText(expected, stored);
            return false;
        });
        if (!moved && !refusal)
            refusal = deletedElsewhereText();
    } catch (const DatabaseError& error) {
        refusal = SaveFailure::text(error);
    }
    reload();
    return refusal;
}

std::optional<QList<Cancellation>> Store::cancellations(const QDate& from, const QDate& to)
{
    try {
        return m_archive.cancellations(Cal::dayKey(from), Cal::dayKey(to));
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

std::optional<QString> Store::restoreCancelled(qint64 id)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("restore"));
    std::optional<QString> refusal;
    std::optional<Appointment> restored;
    std::optional<Appointment> judged;
    // Judged as a booking, on what the archive holds inside the transaction that writes.
    const auto approve = [&](const Appointment& a, const AgendaArchive::WriteCheck& check) {
        judged = a;
        if (check.stored)
            refusal = restoredElsewhereText();
        else if (std::optional<QString> rule = ruleMessage(a))
            refusal = rule;
        else if (std::optional<QString> conflict = conflictIn(a, check.dentistDay))
            refusal = conflict;
        else
            refusal = practiceMessageIn(a, rulesOf(check.practice));
        return !refusal;
    };
    try {
        restored = m_archive.restoreCancelled(id, approve);
        if (!restored && !refusal)
            refusal = restoredElsewhereText();
    } catch (const DatabaseError& error) {
        refusal = SaveFailure::text(error);
        // The server refused an overlap its own reading could not yet see: named as the rule does.
        if (error.kind() == DatabaseError::Kind::Overlap && judged) {
            try {
                if (std::optional<QString> conflict =
                        conflictIn(*judged, m_archive.dentistDay(judged->day, judged->dentistId, judged->id)))
                    refusal = conflict;
            } catch (const DatabaseError&) {
            }
        }
    }
    reload();
    return refusal;
}

std::optional<QList<Store::ToConfirm>> Store::appointmentsToConfirm(const QDate& day)
{
    std::optional<QList<ToConfirm>> lines = dayLines(day);
    if (lines)
        lines->removeIf([](const ToConfirm& line) {
            return line.status.status != AppointmentStatus::ToConfirm && line.status.callAttempts == 0;
        });
    return lines;
}

std::optional<BrokenAppointments> Store::missedAndLateCancelled(const QString& patient, const QString& phone,
                                                                const QDate& since)
{
    try {
        return m_archive.brokenAppointments(patient.trimmed(), phone.trimmed(), Cal::dayKey(since));
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}
