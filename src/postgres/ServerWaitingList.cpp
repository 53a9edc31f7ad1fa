// The server archive's waiting list, a table beside the agenda (see ServerSchema); every change is told
// to the other connections by the table's name.
#include "ServerArchive.h"

#include "Clock.h"
#include "PgConnection.h"
#include "ServerCopy.h"
#include "WaitingRows.h"

QList<WaitingEntry> ServerArchive::waitingList()
{
    QList<WaitingEntry> list;
    transaction([&](PgConnection& c) {
        const PgResult r =
            c.query(QStringLiteral("SELECT ") + WaitingRows::read + QStringLiteral(" FROM waiting_list ORDER BY id"));
        for (int i = 0; i < r.rows(); ++i)
            list.append(WaitingRows::fromRow([&r, i](int col) { return r.integer(i, col); },
                                             [&r, i](int col) { return r.text(i, col); }));
    });
    return list;
}

qint64 ServerArchive::saveWaitingEntry(const WaitingEntry& entry)
{
    qint64 id = 0;
    transaction([&](PgConnection& c) {
        const SQLArgs args = WaitingRows::args(entry);
        if (entry.id == 0) {
            id = c.query(QStringLiteral("INSERT INTO waiting_list (") + WaitingRows::written
                             + QStringLiteral(", created_at) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) "
                                              "RETURNING id"),
                         args + SQLArgs{Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))})
                     .integer(0, 0);
            return;
        }
        const PgResult r = c.query(QStringLiteral("UPDATE waiting_list SET patient = $1, phone = $2, duration_min = $3, "
                                                  "dentist_id = $4, weekdays = $5, day_part = $6, from_day = $7, "
                                                  "until_day = $8, note = $9 WHERE id = $10 RETURNING id"),
                                   args + SQLArgs{entry.id});
        id = r.rows() > 0 ? entry.id : 0;
    });
    return id;
}

bool ServerArchive::removeWaitingEntry(qint64 id)
{
    bool removed = false;
    transaction([&](PgConnection& c) {
        removed = c.query(QStringLiteral("DELETE FROM waiting_list WHERE id = $1 RETURNING id"), {id}).rows() > 0;
    });
    return removed;
}

void ServerCopy::copyWaitingList(const QList<WaitingEntry>& entries, PgConnection& server)
{
    for (const SQLArgs& values : WaitingRows::copiedArgs(entries))
        server.query(QStringLiteral("INSERT INTO waiting_list (") + WaitingRows::copied
                         + QStringLiteral(") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)"),
                     values);
}
