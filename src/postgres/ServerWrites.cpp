// The server archive's writes: each in one transaction, with the locks that keep the rules true
// between what it reads and what it commits.
#include "ServerArchive.h"

#include "PgConnection.h"
#include "ServerRows.h"

namespace {

using ServerRows::appointmentAt;
using ServerRows::appointmentsOf;
using ServerRows::columns;

// The lock on the practice's rules. Every appointment write holds it shared from before its checks
// read the practice until it commits; every change of a setting that a rule reads (closed days,
// retirements) holds it alone, so a booking is never judged on a practice that is changing.
constexpr qint64 practiceLock = 0x43616c7652756c; // "CalvRul"

void sharePractice(PgConnection& c)
{
    c.query(QStringLiteral("SELECT pg_advisory_xact_lock_shared($1)"), {practiceLock});
}

void holdPractice(PgConnection& c)
{
    c.query(QStringLiteral("SELECT pg_advisory_xact_lock($1)"), {practiceLock});
}

void storeSetting(PgConnection& c, const QString& key, const QString& value)
{
    c.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2) "
                           "ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value"),
            {key, value});
}

} // namespace

// Only a failure before anything but BEGIN was sent (a connection that broke while idle) is tried
// again, on a new connection; the server drops an open transaction with its connection.
void ServerArchive::transaction(const std::function<void(PgConnection&)>& body)
{
    for (int attempt = 0;; ++attempt) {
        PgConnection& c = connection();
        bool begun = false;
        try {
            c.transaction(
                [&] {
                    begun = true;
                    body(c);
                },
                beginWithContext());
            return;
        } catch (const DatabaseError&) {
            if (!c.broken())
                throw;
            dropConnection();
            if (begun || attempt > 0)
                throw;
        }
    }
}

// The stored row is locked while it is judged, so nobody changes it in between. Writers into one
// dentist's day queue on a lock of that day before they read it, so that the second of two computers
// booking the same minutes sees the first one's appointment and is refused with the rule's message.
// Without the queue both would insert and then meet in the exclusion constraint, each waiting for the
// other: a deadlock the server breaks only after a second, with an error. The constraint still refuses
// whatever another writer brings (kind Overlap).
AgendaArchive::WriteCheck ServerArchive::checkOn(PgConnection& c, const Appointment& a)
{
    WriteCheck check;
    sharePractice(c);
    c.query(QStringLiteral("SELECT pg_advisory_xact_lock(($1::bigint % 2147483647)::integer, hashtext($2))"),
            {a.dentistId, a.day});
    if (a.id != 0) {
        const PgResult r = c.query(QStringLiteral("SELECT ") + columns
                                       + QStringLiteral(" FROM appointments WHERE id = $1 FOR UPDATE"),
                                   {a.id});
        if (r.rows() > 0)
            check.stored = appointmentAt(r, 0);
    }
    check.dentistDay = dentistDayOn(c, a.day, a.dentistId, a.id);
    check.practice = Practice{dentistsOn(c), settingsOn(c)};
    return check;
}

qint64 ServerArchive::writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    const SQLArgs values{a.dentistId, a.day, a.startMinutes, a.durationMinutes,
                         a.patient,   a.phone, a.treatment,  a.notes};
    qint64 written = 0;
    ownWrite([&] { transaction([&](PgConnection& c) {
        if (!approve(checkOn(c, a)))
            return;
        if (a.id != 0) {
            c.query(QStringLiteral("UPDATE appointments SET dentist_id = $1, day = $2, start_min = $3, "
                                   "duration_min = $4, patient = $5, phone = $6, treatment = $7, notes = $8, "
                                   "updated_at = to_char(localtimestamp(0), 'YYYY-MM-DD HH24:MI:SS') WHERE id = $9"),
                    values + SQLArgs{a.id});
            written = a.id;
        } else {
            written = c.query(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
                                             "patient, phone, treatment, notes) VALUES ($1, $2, $3, $4, $5, $6, $7, "
                                             "$8) RETURNING id"),
                              values)
                          .integer(0, 0);
        }
    }); }, storing(a, written));
    return written;
}

bool ServerArchive::restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    bool wrote = false;
    ownWrite([&] { transaction([&](PgConnection& c) {
        if (!approve(checkOn(c, a)))
            return;
        c.query(QStringLiteral("INSERT INTO appointments (id, dentist_id, day, start_min, duration_min, patient, "
                               "phone, treatment, notes) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)"),
                {a.id, a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment,
                 a.notes});
        wrote = true;
    }); }, restoring(a, wrote));
    return wrote;
}

// The row is locked from its reading to the commit, so nobody changes it between the judgement and the
// removal.
bool ServerArchive::deleteAppointment(qint64 id,
                                      const std::function<bool(const std::optional<Appointment>& stored)>& approve)
{
    bool removed = false;
    ownWrite([&] { transaction([&](PgConnection& c) {
        const PgResult r = c.query(QStringLiteral("SELECT ") + columns
                                       + QStringLiteral(" FROM appointments WHERE id = $1 FOR UPDATE"),
                                   {id});
        const std::optional<Appointment> stored =
            r.rows() > 0 ? std::optional<Appointment>(appointmentAt(r, 0)) : std::nullopt;
        if (!stored || !approve(stored))
            return;
        c.query(QStringLiteral("DELETE FROM appointments WHERE id = $1"), {id});
        removed = true;
    }); }, removing(id, removed));
    return removed;
}

void ServerArchive::saveSettings(const QString& studioName, const QList<Dentist>& dentists)
{
    transaction([&](PgConnection& c) {
        storeSetting(c, QStringLiteral("studio_name"), studioName.trimmed());
        for (const Dentist& d : dentists)
            c.query(QStringLiteral("UPDATE dentists SET name = $1, color = $2 WHERE id = $3"),
                    {d.name, d.colorHex, d.id});
    });
}

void ServerArchive::writeSetting(const QString& key, const std::optional<QString>& value)
{
    transaction([&](PgConnection& c) {
        holdPractice(c);
        if (value)
            storeSetting(c, key, *value);
        else
            c.query(QStringLiteral("DELETE FROM settings WHERE key = $1"), {key});
    });
}

// The next id and position after the highest, as the file gives them; the lock keeps two computers
// adding at once from taking the same.
qint64 ServerArchive::addDentist(const QString& name, const QString& colorHex)
{
    qint64 id = 0;
    transaction([&](PgConnection& c) {
        c.execute(QStringLiteral("LOCK TABLE dentists IN EXCLUSIVE MODE"));
        id = c.query(QStringLiteral("INSERT INTO dentists (id, name, color, position) SELECT COALESCE(MAX(id), 0) + "
                                    "1, $1, $2, COALESCE(MAX(position), -1) + 1 FROM dentists RETURNING id"),
                     {name, colorHex})
                 .integer(0, 0);
    });
    return id;
}

void ServerArchive::reorderDentists(const QList<qint64>& ids)
{
    transaction([&](PgConnection& c) {
        for (qsizetype i = 0; i < ids.size(); ++i)
            c.query(QStringLiteral("UPDATE dentists SET position = $1 WHERE id = $2"), {qint64(i), ids[i]});
    });
}

// The practice's lock keeps every booking out from the reading to the commit (and waits for those
// under way), as BEGIN IMMEDIATE does for the file; the table lock keeps out the writes of computers
// that take no such lock.
bool ServerArchive::writeSettingIfApproved(const QString& key, const QString& value, qint64 dentistId,
                                           const QString& fromKey,
                                           const std::function<bool(const SettingCheck&)>& approve)
{
    bool wrote = false;
    transaction([&](PgConnection& c) {
        holdPractice(c);
        c.execute(QStringLiteral("LOCK TABLE appointments IN SHARE MODE"));
        SettingCheck check;
        check.remaining = appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                                     + QStringLiteral(" FROM appointments WHERE dentist_id = $1 AND "
                                                                      "day >= $2 ORDER BY day, start_min, id"),
                                                 {dentistId, fromKey}));
        check.practice = Practice{dentistsOn(c), settingsOn(c)};
        if (!approve(check))
            return;
        storeSetting(c, key, value);
        wrote = true;
    });
    return wrote;
}
