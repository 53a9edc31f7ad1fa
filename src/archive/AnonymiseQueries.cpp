#include "AnonymiseQueries.h"

#include "ActivityEntry.h"

#include <QSet>

namespace AnonymiseQueries {

namespace {

QString argument(int n, Dialect dialect)
{
    return dialect == Dialect::File ? QStringLiteral("?") : QStringLiteral("$") + QString::number(n);
}

// Any of the texts holds something other than nothing or the anonymised text.
QString stillPersonal(const QStringList& texts)
{
    QStringList any;
    for (const QString& t : texts)
        any << QStringLiteral("%1 NOT IN ('', '%2')").arg(t, QString::fromUtf16(ActivityChain::anonymised));
    return u'(' + any.join(QStringLiteral(" OR ")) + u')';
}

} // namespace

const Table& appointments()
{
    static const Table t{QStringLiteral("appointments"), {"patient", "phone", "treatment", "notes"}, QStringLiteral("day")};
    return t;
}

const Table& cancelled()
{
    static const Table t{QStringLiteral("cancelled_appointments"),
                         {"patient", "phone", "treatment", "notes", "reason"},
                         QStringLiteral("day")};
    return t;
}

const Table& waiting()
{
    static const Table t{QStringLiteral("waiting_list"), {"patient", "phone", "note"},
                         QStringLiteral("coalesce(until_day, from_day)")};
    return t;
}

const Table& recalls()
{
    static const Table t{QStringLiteral("recalls"), {"patient", "phone"}, QStringLiteral("due_day")};
    return t;
}

SQLValue idList(const QList<qint64>& ids, Dialect dialect)
{
    QStringList texts;
    for (const qint64 id : ids)
        texts << QString::number(id);
    const QString joined = texts.join(u',');
    return dialect == Dialect::File ? u'[' + joined + u']' : u'{' + joined + u'}';
}

QString inIds(const QString& column, int n, Dialect dialect)
{
    return dialect == Dialect::File ? column + QStringLiteral(" IN (SELECT value FROM json_each(?))")
                                    : column + QStringLiteral(" = ANY(%1::bigint[])").arg(argument(n, dialect));
}

Statement candidates(const Table& table, const AnonymiseScope& scope, Dialect dialect)
{
    Statement s;
    QString where;
    if (scope.before) {
        where = table.day + QStringLiteral(" < ") + argument(1, dialect);
        s.args << scope.before->toString(Qt::ISODate);
    } else if (!scope.patient.trimmed().isEmpty()) {
        where = dialect == Dialect::File ? QStringLiteral("patient LIKE ? ESCAPE '\\'")
                                         : QStringLiteral("patient ILIKE $1 ESCAPE '\\'");
        s.args << Anonymisation::candidatePattern(scope.patient);
    } else {
        const QList<qint64>& ids = &table == &waiting()   ? scope.records.waiting
                                   : &table == &recalls() ? scope.records.recalls
                                                          : scope.records.appointments + scope.records.cancelled;
        where = inIds(QStringLiteral("id"), 1, dialect);
        s.args << idList(ids, dialect);
    }
    s.sql = QStringLiteral("SELECT id, %1 FROM %2 WHERE %3 AND %4 ORDER BY id")
                .arg(table.texts.join(QStringLiteral(", ")), table.name, where, stillPersonal(table.texts));
    return s;
}

Statement entries(const AnonymisedRecords& records, const AnonymiseScope& scope, Dialect dialect)
{
    Statement s;
    s.args << idList(records.appointments + records.cancelled, dialect) << idList(records.waiting, dialect)
           << idList(records.recalls, dialect);
    QString where = QStringLiteral("(target IN ('appointment', 'status', 'cancellation') AND %1) OR "
                                   "(target = 'waiting' AND %2) OR (target = 'recall' AND %3)")
                        .arg(inIds(QStringLiteral("subject"), 1, dialect), inIds(QStringLiteral("subject"), 2, dialect),
                             inIds(QStringLiteral("subject"), 3, dialect));
    if (!scope.patient.trimmed().isEmpty()) {
        where += dialect == Dialect::File ? QStringLiteral(" OR personal LIKE ? ESCAPE '\\'")
                                          : QStringLiteral(" OR personal ILIKE $4 ESCAPE '\\'");
        s.args << Anonymisation::candidatePattern(scope.patient);
    }
    s.sql = QStringLiteral("SELECT n, target, coalesce(subject, 0), personal FROM activity_log WHERE %1 ORDER BY n")
                .arg(where);
    return s;
}

bool Reach::about(const QString& target, qint64 subject) const
{
    if (target == u"waiting")
        return m_waiting.contains(subject);
    if (target == u"recall")
        return m_recalls.contains(subject);
    return (target == u"appointment" || target == u"status" || target == u"cancellation") && m_agenda.contains(subject);
}

Reach::Reach(const AnonymisedRecords& records)
{
    for (const qint64 id : records.appointments + records.cancelled)
        m_agenda.insert(id);
    for (const qint64 id : records.waiting)
        m_waiting.insert(id);
    for (const qint64 id : records.recalls)
        m_recalls.insert(id);
}

bool Reach::reaches(const QString& target, qint64 subject, const QString& personal, const AnonymiseScope& scope) const
{
    if (ActivityChain::personalAnonymised(personal))
        return false;
    return about(target, subject) || Anonymisation::entryNames(personal, scope);
}

} // namespace AnonymiseQueries
