// The file archive's anonymisation: found, replaced and logged in one immediate transaction.
#include "SqliteArchive.h"

#include "AnonymiseQueries.h"
#include "Database.h"
#include "FileActivityLog.h"

#include <QJsonDocument>

#include <algorithm>

namespace {

using AnonymiseQueries::Dialect;
using AnonymiseQueries::Table;

QList<qint64> chosenRows(Database& db, const Table& table, const AnonymiseScope& scope)
{
    const AnonymiseQueries::Statement s = AnonymiseQueries::candidates(table, scope, Dialect::File);
    const QList<std::optional<qint64>> rows = db.query(s.sql, s.args, [&](const SQLRow& row) {
        return Anonymisation::chosen(scope, row.text(1), row.text(2)) ? std::optional(row.integer(0)) : std::nullopt;
    });
    QList<qint64> ids;
    for (const std::optional<qint64>& id : rows)
        if (id)
            ids << *id;
    return ids;
}

void replaceTexts(Database& db, const Table& table, const QList<qint64>& ids)
{
    if (ids.isEmpty())
        return;
    QStringList set;
    for (const QString& t : table.texts)
        set << QStringLiteral("%1 = CASE WHEN %1 = '' THEN '' ELSE ? END").arg(t);
    SQLArgs args;
    for (qsizetype i = 0; i < table.texts.size(); ++i)
        args << QString::fromUtf16(ActivityChain::anonymised);
    args << AnonymiseQueries::idList(ids, Dialect::File);
    db.run(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
               .arg(table.name, set.join(QStringLiteral(", ")), AnonymiseQueries::inIds("id", 0, Dialect::File)),
           args);
}

// Replaces the personal texts of the entries the anonymisation reaches; answers their numbers.
QList<qint64> replaceEntries(Database& db, const AnonymisedRecords& records, const AnonymiseScope& scope)
{
    const AnonymiseQueries::Statement s = AnonymiseQueries::entries(records, scope, Dialect::File);
    const AnonymiseQueries::Reach reach(records);
    const QList<std::optional<std::pair<qint64, QString>>> rows = db.query(s.sql, s.args, [&](const SQLRow& row) {
        return reach.reaches(row.text(1), row.integer(2), row.text(3), scope)
                   ? std::optional(std::pair(row.integer(0), Anonymisation::neutralPersonal(row.text(3))))
                   : std::nullopt;
    });
    QList<qint64> numbers;
    for (const auto& entry : rows) {
        if (!entry)
            continue;
        db.run(QStringLiteral("UPDATE activity_log SET personal = ? WHERE n = ?"), {entry->second, entry->first});
        numbers << entry->first;
    }
    return numbers;
}

} // namespace

AnonymisedRecords SqliteArchive::anonymise(const AnonymiseScope& scope)
{
    AnonymisedRecords done;
    QList<Appointment> changed;
    ownWrite([&] { m_db.transaction([&] {
        done = {};
        done.appointments = chosenRows(m_db, AnonymiseQueries::appointments(), scope);
        done.cancelled = chosenRows(m_db, AnonymiseQueries::cancelled(), scope);
        done.waiting = chosenRows(m_db, AnonymiseQueries::waiting(), scope);
        done.recalls = chosenRows(m_db, AnonymiseQueries::recalls(), scope);
        // The rows' own entries would copy the name into the log: the one entry below tells of them.
        struct Quiet {
            FileActivityLog& log;
            ~Quiet() { log.setQuiet(false); }
        } quiet{*m_log};
        m_log->setQuiet(true);
        replaceTexts(m_db, AnonymiseQueries::appointments(), done.appointments);
        replaceTexts(m_db, AnonymiseQueries::cancelled(), done.cancelled);
        replaceTexts(m_db, AnonymiseQueries::waiting(), done.waiting);
        replaceTexts(m_db, AnonymiseQueries::recalls(), done.recalls);
        m_log->setQuiet(false);
        const QList<qint64> entries = replaceEntries(m_db, done, scope);
        if (done.isEmpty() && entries.isEmpty())
            return;
        m_log->logEvent(QStringLiteral("anonymise"), QStringLiteral("patient"),
                        QString::fromUtf8(QJsonDocument(Anonymisation::details(done, entries, scope))
                                              .toJson(QJsonDocument::Compact)),
                        {});
        changed = appointmentsWithIds(done.appointments);
    }); }, [&changed](SearchIndex& index) {
        for (const Appointment& a : std::as_const(changed))
            index.put(a);
    });
    return done;
}

void SqliteArchive::reserveIds(qint64 appointments, qint64 waiting, qint64 recalls)
{
    const auto behind = [&](const char* table, qint64 id) {
        return m_db.query(QStringLiteral("SELECT COUNT(*) FROM sqlite_sequence WHERE name = ? AND seq >= ?"),
                          {QString::fromLatin1(table), id}, [](const SQLRow& r) { return r.integer(0); })
                   .value(0)
            == 0;
    };
    const auto reserved = {std::pair{"appointments", appointments}, std::pair{"waiting_list", waiting},
                           std::pair{"recalls", recalls}};
    if (std::none_of(reserved.begin(), reserved.end(), [&](const auto& r) { return behind(r.first, r.second); }))
        return;
    m_db.transaction([&] {
        for (const auto& [table, id] : reserved) {
            const QString name = QString::fromLatin1(table);
            m_db.run(QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?"), {id, name});
            m_db.run(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT ?, ? WHERE NOT EXISTS "
                                    "(SELECT 1 FROM sqlite_sequence WHERE name = ?)"),
                     {name, id, name});
        }
    });
}
