// The server archive's statuses and cancellations, beside the appointments table (see ServerSchema),
// each write in one transaction that locks the rows it judges.
#include "ServerArchive.h"

#include "Clock.h"
#include "PgConnection.h"
#include "ServerRows.h"
#include "ServerSchema.h"
#include "RecallRows.h"
#include "WaitingRows.h"

namespace {

using ServerRows::appointmentAt;
using ServerRows::columns;

const QString cancelledColumns =
    columns + QStringLiteral(", cancelled_at, cancelled_by, reason, late, status_before");

QString nowText()
{
    return Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString idArray(const QList<qint64>& ids)
{
    QStringList numbers;
    for (const qint64 id : ids)
        numbers << QString::number(id);
    return u'{' + numbers.join(u',') + u'}';
}

QList<Cancellation> cancellationsOf(const PgResult& r)
{
    QList<Cancellation> list;
    for (int i = 0; i < r.rows(); ++i)
        list.append(Cancellation{appointmentAt(r, i), r.text(i, 9), CancelledByKeys::fromKey(r.text(i, 10)),
                                 r.text(i, 11), r.integer(i, 12) != 0,
                                 AppointmentStatuses::fromKey(r.text(i, 13)).value_or(AppointmentStatus::ToConfirm)});
    return list;
}

} // namespace

QHash<qint64, DayStatus> ServerArchive::statusesOn(PgConnection& c, const QList<qint64>& ids)
{
    QHash<qint64, DayStatus> found;
    if (ids.isEmpty())
        return found;
    const PgResult r = c.query(QStringLiteral("SELECT appointment_id, status, call_attempts FROM appointment_status "
                                              "WHERE appointment_id = ANY($1::bigint[])"),
                               {idArray(ids)});
    for (int i = 0; i < r.rows(); ++i)
        found.insert(r.integer(i, 0),
                     DayStatus{AppointmentStatuses::fromKey(r.text(i, 1)).value_or(AppointmentStatus::ToConfirm),
                               int(r.integer(i, 2))});
    return found;
}

QHash<qint64, DayStatus> ServerArchive::statuses(const QList<qint64>& ids)
{
    QHash<qint64, DayStatus> found;
    transaction([&](PgConnection& c) { found = statusesOn(c, ids); });
    return found;
}

// The appointment's row is locked first, so a cancellation or a delete elsewhere waits for the status
// or takes it along.
bool ServerArchive::changeStatus(qint64 id, const std::function<std::optional<DayStatus>(const DayStatus& stored)>& change)
{
    bool wrote = false;
    transaction([&](PgConnection& c) {
        if (c.query(QStringLiteral("SELECT id FROM appointments WHERE id = $1 FOR UPDATE"), {id}).rows() == 0)
            return;
        const std::optional<DayStatus> next = change(statusesOn(c, {id}).value(id));
        if (!next)
            return;
        c.query(QStringLiteral("INSERT INTO appointment_status (appointment_id, status, changed_at, call_attempts) "
                               "VALUES ($1, $2, $3, $4) ON CONFLICT (appointment_id) DO UPDATE SET status = "
                               "EXCLUDED.status, changed_at = EXCLUDED.changed_at, call_attempts = EXCLUDED.call_attempts"),
                {id, AppointmentStatuses::key(next->status), nowText(), next->callAttempts});
        wrote = true;
    });
    return wrote;
}

bool ServerArchive::cancelAppointment(qint64 id, const Cancellation& cancellation,
                                      const std::function<bool(const Appointment& stored)>& approve)
{
    bool removed = false;
    ownWrite([&] { transaction([&](PgConnection& c) {
        const PgResult r = c.query(QStringLiteral("SELECT ") + columns
                                       + QStringLiteral(" FROM appointments WHERE id = $1 FOR UPDATE"),
                                   {id});
        if (r.rows() == 0 || !approve(appointmentAt(r, 0)))
            return;
        c.query(QStringLiteral("INSERT INTO cancelled_appointments (") + AppointmentColumns::stored
                    + QStringLiteral(", cancelled_at, cancelled_by, reason, late, status_before) SELECT ")
                    + AppointmentColumns::stored
                    + QStringLiteral(", $1, $2, $3, $4, COALESCE((SELECT status FROM appointment_status WHERE "
                                     "appointment_id = $5), 'da_confermare') FROM appointments WHERE id = $5"),
                {cancellation.cancelledAt, CancelledByKeys::key(cancellation.by), cancellation.reason,
                 qint64(cancellation.late ? 1 : 0), id});
        c.query(QStringLiteral("DELETE FROM appointments WHERE id = $1"), {id});
        removed = true;
    }); }, removing(id, removed));
    return removed;
}

QList<Cancellation> ServerArchive::cancellations(const QString& fromKey, const QString& toKey)
{
    QList<Cancellation> found;
    transaction([&](PgConnection& c) {
        found = cancellationsOf(c.query(QStringLiteral("SELECT ") + cancelledColumns
                                            + QStringLiteral(" FROM cancelled_appointments WHERE day BETWEEN $1 AND $2 "
                                                             "ORDER BY day, start_min, id"),
                                        {fromKey, toKey}));
    });
    return found;
}

// Judged like a booking (checkOn queues on the dentist's day and shares the practice's lock); the
// exclusion constraint still refuses what another writer brings (kind Overlap).
std::optional<Appointment> ServerArchive::restoreCancelled(
    qint64 id, const std::function<bool(const Appointment& a, const WriteCheck&)>& approve)
{
    Appointment restored;
    bool wrote = false;
    ownWrite([&] { transaction([&](PgConnection& c) {
        const QList<Cancellation> rows = cancellationsOf(c.query(
            QStringLiteral("SELECT ") + cancelledColumns + QStringLiteral(" FROM cancelled_appointments WHERE id = $1 FOR UPDATE"),
            {id}));
        if (rows.isEmpty())
            return;
        restored = rows.first().appointment;
        if (!approve(restored, checkOn(c, restored)))
            return;
        c.query(QStringLiteral("INSERT INTO appointments (") + AppointmentColumns::stored + QStringLiteral(") SELECT ")
                    + columns + QStringLiteral(", created_at, $2 FROM cancelled_appointments WHERE id = $1"),
                {id, nowText()});
        if (rows.first().statusBefore != AppointmentStatus::ToConfirm)
            c.query(QStringLiteral("INSERT INTO appointment_status (appointment_id, status, changed_at) VALUES ($1, $2, $3)"),
                    {id, AppointmentStatuses::key(rows.first().statusBefore), nowText()});
        c.query(QStringLiteral("DELETE FROM cancelled_appointments WHERE id = $1"), {id});
        wrote = true;
    }); }, restoring(restored, wrote));
    if (!wrote)
        return std::nullopt;
    return restored;
}

BrokenAppointments ServerArchive::brokenAppointments(const QString& patient, const QString& phone,
                                                     const QString& fromKey)
{
    const QString same = QStringLiteral("patient = $1 AND ($2 = '' OR phone = $2) AND day >= $3");
    BrokenAppointments found;
    transaction([&](PgConnection& c) {
        const PgResult r = c.query(
            QStringLiteral("SELECT (SELECT count(*) FROM appointments JOIN appointment_status ON appointment_id = id "
                           "WHERE status = 'non_presentato' AND ")
                + same + QStringLiteral("), (SELECT count(*) FROM cancelled_appointments WHERE late = 1 AND ") + same
                + u')',
            {patient, phone, fromKey});
        found = BrokenAppointments{int(r.integer(0, 0)), int(r.integer(0, 1))};
    });
    return found;
}

// The folded name is the expression of the patient's trigram index, whose equality finds the rows at
// once; the cancelled appointments and the waiting list are few enough to be read through.
AgendaArchive::PatientRows ServerArchive::patientRows(const QString& name)
{
    const QString same = QStringLiteral(" WHERE ") + ServerSchema::folded(QStringLiteral("patient")) + QStringLiteral(" = ")
        + ServerSchema::folded(QStringLiteral("$1::text")) + u' ';
    PatientRows rows;
    transaction([&](PgConnection& c) {
        rows.appointments = ServerRows::appointmentsOf(c.query(
            QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM appointments") + same
                + QStringLiteral("ORDER BY day, start_min, id"),
            {name}));
        QList<qint64> ids;
        for (const Appointment& a : std::as_const(rows.appointments))
            ids.append(a.id);
        rows.statuses = statusesOn(c, ids);
        rows.cancellations = cancellationsOf(c.query(QStringLiteral("SELECT ") + cancelledColumns
                                                         + QStringLiteral(" FROM cancelled_appointments") + same
                                                         + QStringLiteral("ORDER BY day, start_min, id"),
                                                     {name}));
        const PgResult r = c.query(QStringLiteral("SELECT ") + WaitingRows::read + QStringLiteral(" FROM waiting_list")
                                       + same + QStringLiteral("ORDER BY id"),
                                   {name});
        for (int i = 0; i < r.rows(); ++i)
            rows.waiting.append(WaitingRows::fromRow([&r, i](int col) { return r.integer(i, col); },
                                                     [&r, i](int col) { return r.text(i, col); }));
        const PgResult rc = c.query(QStringLiteral("SELECT ") + RecallRows::read + QStringLiteral(" FROM recalls") + same
                                        + QStringLiteral("ORDER BY due_day, id"),
                                    {name});
        for (int i = 0; i < rc.rows(); ++i)
            rows.recalls.append(RecallRows::fromRow([&rc, i](int col) { return rc.integer(i, col); },
                                                    [&rc, i](int col) { return rc.text(i, col); }));
    });
    return rows;
}
