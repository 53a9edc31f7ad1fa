// The file archive's recalls, a table beside the agenda (see Schema.cpp).
#include "SqliteArchive.h"

#include "Clock.h"
#include "Database.h"
#include "RecallRows.h"

namespace {

Recall recallFrom(const SQLRow& row)
{
    return RecallRows::fromRow([&row](int c) { return row.integer(c); }, [&row](int c) { return row.text(c); });
}

} // namespace

std::optional<Recall> SqliteArchive::recallOf(qint64 appointmentId)
{
    const QList<Recall> found = m_db.query(
        QStringLiteral("SELECT ") + RecallRows::read + QStringLiteral(" FROM recalls WHERE appointment_id = ?"),
        {appointmentId}, recallFrom);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

// The index of the appointments by patient and day finds a patient's booking since in one look; the
// appointment that set the recall does not count.
QList<Recall> SqliteArchive::openRecalls(const QString& dueUntilKey)
{
    return m_db.query(QStringLiteral("SELECT ") + RecallRows::read
                          + QStringLiteral(" FROM recalls r WHERE r.due_day <= ? AND r.do_not_call = 0 AND NOT EXISTS ("
                                           "SELECT 1 FROM appointments a WHERE a.patient = r.patient COLLATE NOCASE "
                                           "AND a.day >= r.closes_from AND a.id <> r.appointment_id) "
                                           "ORDER BY r.due_day, r.id"),
                      {dueUntilKey}, recallFrom);
}

bool SqliteArchive::replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected,
                                  const std::optional<Recall>& next, std::optional<Recall>* stored)
{
    bool wrote = false;
    ownWrite([&] { m_db.transaction([&] {
        const std::optional<Recall> now = recallOf(appointmentId);
        if (!Recalls::same(now, expected)) {
            if (stored)
                *stored = now;
            return;
        }
        if (!next) {
            m_db.run(QStringLiteral("DELETE FROM recalls WHERE appointment_id = ?"), {appointmentId});
        } else {
            Recall r = *next;
            r.appointmentId = appointmentId;
            if (now) {
                m_db.run(QStringLiteral("UPDATE recalls SET patient = ?, phone = ?, kind = ?, due_day = ?, closes_from = ?, "
                                        "months = ?, last_visit = ?, attempts = ?, last_attempt_at = ?, paused_until = ?, "
                                        "do_not_call = ?, consent = ? WHERE appointment_id = ?"),
                         RecallRows::args(r).mid(1) + SQLArgs{appointmentId});
            } else {
                m_db.run(QStringLiteral("INSERT INTO recalls (") + RecallRows::written
                             + QStringLiteral(", created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                         RecallRows::args(r) + SQLArgs{Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
            }
        }
        wrote = true;
        if (stored)
            *stored = recallOf(appointmentId);
    }); });
    return wrote;
}
