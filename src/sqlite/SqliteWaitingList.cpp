// The file archive's waiting list, a table beside the agenda (see Schema.cpp).
#include "SqliteArchive.h"

#include "Clock.h"
#include "Database.h"
#include "WaitingRows.h"

QList<WaitingEntry> SqliteArchive::waitingList()
{
    return m_db.query(QStringLiteral("SELECT ") + WaitingRows::read + QStringLiteral(" FROM waiting_list ORDER BY id"),
                      {}, [](const SQLRow& row) {
                          return WaitingRows::fromRow([&row](int c) { return row.integer(c); },
                                                      [&row](int c) { return row.text(c); });
                      });
}

qint64 SqliteArchive::saveWaitingEntry(const WaitingEntry& entry)
{
    qint64 id = 0;
    ownWrite([&] { m_db.transaction([&] {
        const SQLArgs args = WaitingRows::args(entry);
        if (entry.id == 0) {
            m_db.run(QStringLiteral("INSERT INTO waiting_list (") + WaitingRows::written
                         + QStringLiteral(", created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     args + SQLArgs{Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
            id = m_db.lastInsertId();
            return;
        }
        if (m_db.query(QStringLiteral("SELECT id FROM waiting_list WHERE id = ?"), {entry.id},
                       [](const SQLRow& row) { return row.integer(0); })
                .isEmpty())
            return;
        m_db.run(QStringLiteral("UPDATE waiting_list SET patient = ?, phone = ?, duration_min = ?, dentist_id = ?, "
                                "weekdays = ?, day_part = ?, from_day = ?, until_day = ?, note = ? WHERE id = ?"),
                 args + SQLArgs{entry.id});
        id = entry.id;
    }); });
    return id;
}

bool SqliteArchive::removeWaitingEntry(qint64 id)
{
    bool removed = false;
    ownWrite([&] { m_db.transaction([&] {
        removed = !m_db.query(QStringLiteral("SELECT id FROM waiting_list WHERE id = ?"), {id},
                              [](const SQLRow& row) { return row.integer(0); })
                       .isEmpty();
        m_db.run(QStringLiteral("DELETE FROM waiting_list WHERE id = ?"), {id});
    }); });
    return removed;
}
