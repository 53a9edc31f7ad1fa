// The server archive's anonymisation: the program finds the records and the entries, the log's own
// function (which alone may change an entry) replaces them and logs the act, in one transaction.
#include "ServerArchive.h"

#include "AnonymiseQueries.h"
#include "PgConnection.h"
#include "ServerLogSchema.h"
#include "ServerReading.h"

#include <QJsonDocument>

namespace {

using AnonymiseQueries::Dialect;
using AnonymiseQueries::Table;

QList<qint64> chosenRows(PgConnection& c, const Table& table, const AnonymiseScope& scope)
{
    const AnonymiseQueries::Statement s = AnonymiseQueries::candidates(table, scope, Dialect::Server);
    const PgResult r = c.query(s.sql, s.args);
    QList<qint64> ids;
    for (int i = 0; i < r.rows(); ++i)
        if (Anonymisation::chosen(scope, r.text(i, 1), r.text(i, 2)))
            ids << r.integer(i, 0);
    return ids;
}

QList<qint64> reachedEntries(PgConnection& c, const AnonymisedRecords& records, const AnonymiseScope& scope)
{
    const AnonymiseQueries::Statement s = AnonymiseQueries::entries(records, scope, Dialect::Server);
    const AnonymiseQueries::Reach reach(records);
    const PgResult r = c.query(s.sql, s.args);
    QList<qint64> numbers;
    for (int i = 0; i < r.rows(); ++i)
        if (reach.reaches(r.text(i, 1), r.integer(i, 2), r.text(i, 3), scope))
            numbers << r.integer(i, 0);
    return numbers;
}

} // namespace

AnonymisedRecords ServerArchive::anonymise(const AnonymiseScope& scope)
{
    AnonymisedRecords done;
    QList<Appointment> changed;
    ownWrite([&] {
        transaction([&](PgConnection& c) {
            done = {};
            // Guarded by an earlier version, the log lacks the function, which only its administrator can add.
            if (c.query(QStringLiteral("SELECT to_regprocedure($1) IS NULL"), {ServerLogSchema::anonymiseFunction()})
                    .text(0, 0)
                == u"t")
                throw DatabaseError(missingAnonymisationText() + QStringLiteral(". ")
                                    + guardAdvice(c));
            done.appointments = chosenRows(c, AnonymiseQueries::appointments(), scope);
            done.cancelled = chosenRows(c, AnonymiseQueries::cancelled(), scope);
            done.waiting = chosenRows(c, AnonymiseQueries::waiting(), scope);
            done.recalls = chosenRows(c, AnonymiseQueries::recalls(), scope);
            const QList<qint64> entries = reachedEntries(c, done, scope);
            if (done.isEmpty() && entries.isEmpty())
                return;
            QJsonObject facts = Anonymisation::details(done, {}, scope);
            facts.remove(QStringLiteral("entries"));
            const auto ids = [](const QList<qint64>& list) { return AnonymiseQueries::idList(list, Dialect::Server); };
            c.query(QStringLiteral("SELECT calvora_log_anonymise($1::bigint[], $2::bigint[], $3::bigint[], "
                                   "$4::bigint[], $5::bigint[], $6::jsonb)"),
                    {ids(done.appointments), ids(done.cancelled), ids(done.waiting), ids(done.recalls), ids(entries),
                     QString::fromUtf8(QJsonDocument(facts).toJson(QJsonDocument::Compact))});
        });
        if (!done.appointments.isEmpty())
            changed = appointmentsWithIds(done.appointments);
    }, [&changed](SearchIndex& index) {
        for (const Appointment& a : std::as_const(changed))
            index.put(a);
    });
    return done;
}

void ServerArchive::reserveIds(qint64 appointments, qint64 waiting, qint64 recalls)
{
    repeatableWrite([&](PgConnection& c) {
        for (const auto& [table, id] : {std::pair{"appointments", appointments}, std::pair{"waiting_list", waiting},
                                        std::pair{"recalls", recalls}})
            c.query(QStringLiteral("SELECT setval(s::regclass, greatest($1::bigint, coalesce(pg_sequence_last_value("
                                   "s::regclass), 1))) FROM pg_get_serial_sequence($2, 'id') AS s"),
                    {std::max<qint64>(id, 1), QString::fromLatin1(table)});
        return true;
    });
}
