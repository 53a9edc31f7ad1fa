// The file archive's statuses and cancellations: the appointments' life after booking, kept beside the
// appointments table (see Schema.cpp), each write in one immediate transaction.
#include "SqliteArchive.h"

#include "AppointmentRows.h"
#include "Clock.h"
#include "Database.h"
#include "RecallRows.h"
#include "WaitingRows.h"

namespace {

const QString cancelledColumns = AppointmentColumns::shown
    + QStringLiteral(", cancelled_at, cancelled_by, reason, late, status_before");

QString nowText()
{
    return Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Cancellation cancellationOf(const SQLRow& row)
{
    return Cancellation{AppointmentRows::fromRow(row), row.text(9), CancelledByKeys::fromKey(row.text(10)),
                        row.text(11), row.integer(12) != 0,
                        AppointmentStatuses::fromKey(row.text(13)).value_or(AppointmentStatus::ToConfirm)};
}

} // namespace

QHash<qint64, DayStatus> SqliteArchive::statuses(const QList<qint64>& ids)
{
    QHash<qint64, DayStatus> found;
    if (ids.isEmpty())
        return found;
    QStringList numbers;
    for (const qint64 id : ids)
        numbers.append(QString::number(id));
    (void)m_db.query(QStringLiteral("SELECT appointment_id, status, call_attempts FROM appointment_status "
                                    "WHERE appointment_id IN (SELECT value FROM json_each(?))"),
                     {u'[' + numbers.join(u',') + u']'}, [&found](const SQLRow& row) {
                         found.insert(row.integer(0),
                                      DayStatus{AppointmentStatuses::fromKey(row.text(1)).value_or(AppointmentStatus::ToConfirm),
                                                int(row.integer(2))});
                         return 0;
                     });
    return found;
}

bool SqliteArchive::changeStatus(qint64 id, const std::function<std::optional<DayStatus>(const DayStatus& stored)>& change)
{
    bool wrote = false;
    ownWrite([&] { m_db.transaction([&] {
        if (!appointment(id))
            return;
        const std::optional<DayStatus> next = change(statuses({id}).value(id));
        if (!next)
            return;
        m_db.run(QStringLiteral("INSERT INTO appointment_status (appointment_id, status, changed_at, call_attempts) "
                                "VALUES (?, ?, ?, ?) ON CONFLICT (appointment_id) DO UPDATE SET status = "
                                "excluded.status, changed_at = excluded.changed_at, call_attempts = excluded.call_attempts"),
                 {id, AppointmentStatuses::key(next->status), nowText(), next->callAttempts});
        wrote = true;
    }); });
    return wrote;
}

bool SqliteArchive::cancelAppointment(qint64 id, const Cancellation& cancellation,
                                      const std::function<bool(const Appointment& stored)>& approve)
{
    bool removed = false;
    // Judged and moved under one immediate transaction: nobody changes the row in between. The status
    // goes with the row (ON DELETE CASCADE) once copied.
    ownWrite([&] { m_db.transaction([&] {
        const std::optional<Appointment> stored = appointment(id);
        if (!stored || !approve(*stored))
            return;
        m_db.run(QStringLiteral("INSERT INTO cancelled_appointments (") + AppointmentColumns::stored
                     + QStringLiteral(", cancelled_at, cancelled_by, reason, late, status_before) SELECT ")
                     + AppointmentColumns::stored
                     + QStringLiteral(", ?, ?, ?, ?, COALESCE((SELECT status FROM appointment_status WHERE "
                                      "appointment_id = ?), 'da_confermare') FROM appointments WHERE id = ?"),
                 {cancellation.cancelledAt, CancelledByKeys::key(cancellation.by), cancellation.reason,
                  qint64(cancellation.late ? 1 : 0), id, id});
        m_db.run(QStringLiteral("DELETE FROM appointments WHERE id = ?"), {id});
        removed = true;
    }); }, removing(id, removed));
    return removed;
}

QList<Cancellation> SqliteArchive::cancellations(const QString& fromKey, const QString& toKey)
{
    return m_db.query(QStringLiteral("SELECT ") + cancelledColumns
                          + QStringLiteral(" FROM cancelled_appointments WHERE day BETWEEN ? AND ? "
                                           "ORDER BY day, start_min, id"),
                      {fromKey, toKey}, cancellationOf);
}

std::optional<Appointment> SqliteArchive::restoreCancelled(
    qint64 id, const std::function<bool(const Appointment& a, const WriteCheck&)>& approve)
{
    Appointment restored;
    bool wrote = false;
    ownWrite([&] { m_db.transaction([&] {
        const QList<Cancellation> rows = m_db.query(
            QStringLiteral("SELECT ") + cancelledColumns + QStringLiteral(" FROM cancelled_appointments WHERE id = ?"),
            {id}, cancellationOf);
        if (rows.isEmpty())
            return;
        restored = rows.first().appointment;
        if (!approve(restored, check(restored)))
            return;
        m_db.run(QStringLiteral("INSERT INTO appointments (") + AppointmentColumns::stored + QStringLiteral(") SELECT ")
                     + AppointmentColumns::shown
                     + QStringLiteral(", created_at, ? FROM cancelled_appointments WHERE id = ?"),
                 {nowText(), id});
        if (rows.first().statusBefore != AppointmentStatus::ToConfirm)
            m_db.run(QStringLiteral("INSERT INTO appointment_status (appointment_id, status, changed_at) VALUES (?, ?, ?)"),
                     {id, AppointmentStatuses::key(rows.first().statusBefore), nowText()});
        m_db.run(QStringLiteral("DELETE FROM cancelled_appointments WHERE id = ?"), {id});
        wrote = true;
    }); }, restoring(restored, wrote));
    if (!wrote)
        return std::nullopt;
    return restored;
}

BrokenAppointments SqliteArchive::brokenAppointments(const QString& patient, const QString& phone,
                                                     const QString& fromKey)
{
    const QString same = QStringLiteral("patient = ? AND (? = '' OR phone = ?) AND day >= ?");
    const SQLArgs args{patient, phone, phone, fromKey};
    return m_db
        // From the statuses to their appointments (CROSS JOIN keeps that order): the few no-shows are
        // found at once, where a walk through two years of the agenda's days took tens of milliseconds.
        .query(QStringLiteral("SELECT (SELECT COUNT(*) FROM appointment_status CROSS JOIN appointments ON id = "
                              "appointment_id WHERE status = 'non_presentato' AND ")
                   + same + QStringLiteral("), (SELECT COUNT(*) FROM cancelled_appointments WHERE late = 1 AND ") + same
                   + u')',
               args + args, [](const SQLRow& row) { return BrokenAppointments{int(row.integer(0)), int(row.integer(1))}; })
        .value(0);
}

// NOCASE folds A to Z alone, as a search does; the indexes of the same collation, made at the first
// question, find a name among ten years of appointments at once.
AgendaArchive::PatientRows SqliteArchive::patientRows(const QString& name)
{
    m_db.addPatientIndexes();
    const QString same = QStringLiteral(" WHERE patient = ? COLLATE NOCASE ");
    PatientRows rows;
    rows.appointments = m_db.query(QStringLiteral("SELECT ") + AppointmentRows::columns + QStringLiteral(" FROM appointments")
                                       + same + QStringLiteral("ORDER BY day, start_min, id"),
                                   {name}, AppointmentRows::fromRow);
    QList<qint64> ids;
    for (const Appointment& a : std::as_const(rows.appointments))
        ids.append(a.id);
    rows.statuses = statuses(ids);
    rows.cancellations = m_db.query(QStringLiteral("SELECT ") + cancelledColumns + QStringLiteral(" FROM cancelled_appointments")
                                        + same + QStringLiteral("ORDER BY day, start_min, id"),
                                    {name}, cancellationOf);
    rows.waiting = m_db.query(QStringLiteral("SELECT ") + WaitingRows::read + QStringLiteral(" FROM waiting_list") + same
                                  + QStringLiteral("ORDER BY id"),
                              {name}, [](const SQLRow& row) {
                                  return WaitingRows::fromRow([&row](int c) { return row.integer(c); },
                                                              [&row](int c) { return row.text(c); });
                              });
    rows.recalls = m_db.query(QStringLiteral("SELECT ") + RecallRows::read + QStringLiteral(" FROM recalls") + same
                                  + QStringLiteral("ORDER BY due_day, id"),
                              {name}, [](const SQLRow& row) {
                                  return RecallRows::fromRow([&row](int c) { return row.integer(c); },
                                                             [&row](int c) { return row.text(c); });
                              });
    return rows;
}
