// The server archive's recalls, a table beside the agenda (see ServerSchema); every change is told to the
// other connections by the table's name.
#include "ServerArchive.h"

#include "Clock.h"
#include "PgConnection.h"
#include "RecallRows.h"
#include "ServerSchema.h"

namespace {

QList<Recall> recallsOf(const PgResult& r)
{
    QList<Recall> list;
    for (int i = 0; i < r.rows(); ++i)
        list.append(RecallRows::fromRow([&r, i](int col) { return r.integer(i, col); },
                                        [&r, i](int col) { return r.text(i, col); }));
    return list;
}

std::optional<Recall> recallOn(PgConnection& c, qint64 appointmentId, bool locked)
{
    const QList<Recall> found = recallsOf(c.query(QStringLiteral("SELECT ") + RecallRows::read
                                                      + QStringLiteral(" FROM recalls WHERE appointment_id = $1")
                                                      + (locked ? QStringLiteral(" FOR UPDATE") : QString()),
                                                  {appointmentId}));
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

} // namespace

std::optional<Recall> ServerArchive::recallOf(qint64 appointmentId)
{
    std::optional<Recall> found;
    transaction([&](PgConnection& c) { found = recallOn(c, appointmentId, false); });
    return found;
}

// The folded name and the day are the appointments' index for this question; the appointment that set the
// recall does not count as a booking since.
QList<Recall> ServerArchive::openRecalls(const QString& dueUntilKey)
{
    QList<Recall> list;
    transaction([&](PgConnection& c) {
        list = recallsOf(c.query(
            QStringLiteral("SELECT ") + RecallRows::read
                + QStringLiteral(" FROM recalls r WHERE r.due_day <= $1 AND r.do_not_call = 0 AND NOT EXISTS ("
                                 "SELECT 1 FROM appointments a WHERE ")
                + ServerSchema::folded(QStringLiteral("a.patient")) + QStringLiteral(" = ")
                + ServerSchema::folded(QStringLiteral("r.patient"))
                + QStringLiteral(" AND a.day >= r.closes_from AND a.id <> r.appointment_id) ORDER BY r.due_day, r.id"),
            {dueUntilKey}));
    });
    return list;
}

// Two computers changing the same recall: the row's lock (or, for a new one, the unique appointment id)
// makes the second find what the first stored, and so write nothing.
bool ServerArchive::replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected,
                                  const std::optional<Recall>& next, std::optional<Recall>* stored)
{
    bool wrote = false;
    transaction([&](PgConnection& c) {
        wrote = false;
        const std::optional<Recall> now = recallOn(c, appointmentId, true);
        if (!Recalls::same(now, expected)) {
            if (stored)
                *stored = now;
            return;
        }
        if (!next) {
            c.query(QStringLiteral("DELETE FROM recalls WHERE appointment_id = $1"), {appointmentId});
        } else {
            Recall r = *next;
            r.appointmentId = appointmentId;
            if (now)
                c.query(QStringLiteral("UPDATE recalls SET patient = $2, phone = $3, kind = $4, due_day = $5, "
                                       "closes_from = $6, months = $7, last_visit = $8, attempts = $9, "
                                       "last_attempt_at = $10, paused_until = $11, do_not_call = $12, consent = $13 "
                                       "WHERE appointment_id = $1"),
                        RecallRows::args(r));
            else
                c.query(QStringLiteral("INSERT INTO recalls (") + RecallRows::written
                            + QStringLiteral(", created_at) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, "
                                             "$13, $14) ON CONFLICT (appointment_id) DO NOTHING"),
                        RecallRows::args(r) + SQLArgs{Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
        }
        std::optional<Recall> wanted = next;
        if (wanted)
            wanted->appointmentId = appointmentId;
        const std::optional<Recall> after = recallOn(c, appointmentId, false);
        wrote = Recalls::same(after, wanted);
        if (stored)
            *stored = after;
    });
    return wrote;
}
