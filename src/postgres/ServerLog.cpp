// The server archive's part of the activity log: the program's context for the server's triggers, the
// practice-level entries, and the log read back.
#include "ServerArchive.h"

#include "AgendaSink.h"
#include "PgConnection.h"
#include "ServerLogSchema.h"
#include "ServerReading.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

namespace {

const QString logColumns = QStringLiteral("n, at, action, target, coalesce(subject::text, ''), computer, account, "
                                          "operator, client, details, personal, personal_digest, hash");

// A text as an SQL literal whatever the server's settings (the escape form, in which only the backslash
// and the quote need doubling). A NUL would end the statement's text early: the server keeps none.
QString literal(const QString& text)
{
    QString out = text;
    out.remove(QChar(0));
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("E'") + out + u'\'';
}

ActivityEntry entryAt(const PgResult& r, int row)
{
    ActivityEntry e;
    e.n = r.integer(row, 0);
    e.at = r.text(row, 1);
    e.action = r.text(row, 2);
    e.target = r.text(row, 3);
    if (const QString subject = r.text(row, 4); !subject.isEmpty())
        e.subject = subject.toLongLong();
    e.computer = r.text(row, 5);
    e.account = r.text(row, 6);
    e.operatorName = r.text(row, 7);
    e.client = r.text(row, 8);
    e.details = r.text(row, 9);
    e.personal = r.text(row, 10);
    e.personalDigest = r.text(row, 11);
    e.hash = r.text(row, 12);
    return e;
}

QList<ActivityEntry> entriesOf(const PgResult& r)
{
    QList<ActivityEntry> list;
    list.reserve(r.rows());
    for (int i = 0; i < r.rows(); ++i)
        list.append(entryAt(r, i));
    return list;
}

// The moment a local day begins, as the log writes its times (UTC), so that a day's entries are a range.
QString utcStart(const QDate& day)
{
    return day.startOfDay().toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

// The statement of a page of the log. A patient's name is matched among the names each entry holds,
// folded, written as the names' index is made so that the server finds the few entries through it.
std::pair<QString, SQLArgs> pageQuery(const LogFilter& filter, int limit)
{
    QStringList where{QStringLiteral("true")};
    SQLArgs args;
    const auto condition = [&](const QString& sql, const SQLValue& value) {
        args.append(value);
        where << QString(sql).replace(u'?', QStringLiteral("$") + QString::number(args.size()));
    };
    if (filter.day) {
        condition(QStringLiteral("at >= ?"), utcStart(*filter.day));
        condition(QStringLiteral("at < ?"), utcStart(filter.day->addDays(1)));
    }
    if (!filter.computer.isEmpty())
        condition(QStringLiteral("computer = ?"), filter.computer);
    if (!filter.operatorName.isEmpty())
        condition(QStringLiteral("operator = ?"), filter.operatorName);
    if (!filter.action.isEmpty())
        condition(QStringLiteral("action = ?"), filter.action);
    if (const QString patient = filter.patient.trimmed(); !patient.isEmpty()) {
        // A name JSON writes as it is is looked for in the stored text first: most entries are set aside
        // without being parsed. Then the name itself ("patient": text, or [before, after]).
        static const QRegularExpression escapedInJson(QStringLiteral("[\"\\\\\\x00-\\x1f]"));
        if (!patient.contains(escapedInJson))
            condition(QStringLiteral("strpos(lower(personal), lower(?)) > 0"), patient);
        condition(QStringLiteral("(%1) LIKE '%' || replace(replace(replace(lower(?), '\\', '\\\\'), '%', '\\%'), "
                                 "'_', '\\_') || '%'")
                      .arg(ServerLogSchema::patientNames()),
                  patient);
    }
    if (filter.before)
        condition(QStringLiteral("n < ?"), *filter.before);
    if (filter.after)
        condition(QStringLiteral("n > ?"), *filter.after);
    return {QStringLiteral("SELECT ") + logColumns + QStringLiteral(" FROM activity_log WHERE ")
                + where.join(QStringLiteral(" AND ")) + QStringLiteral(" ORDER BY n DESC LIMIT ") + QString::number(limit),
            args};
}

} // namespace

void ServerArchive::setActor(const Actor& actor)
{
    m_actor = actor;
}

void ServerArchive::setAction(const QString& action)
{
    m_action = action;
}

// Sent with BEGIN in one round trip; set_config(…, true) ends with the transaction, so no later
// statement of another kind inherits it.
QString ServerArchive::beginWithContext() const
{
    return QStringLiteral("BEGIN; SELECT set_config('calvora.program', 'on', true), set_config('calvora.action', ")
        + literal(m_action) + QStringLiteral(", true), set_config('calvora.computer', ") + literal(m_actor.computer)
        + QStringLiteral(", true), set_config('calvora.account', ") + literal(m_actor.account)
        + QStringLiteral(", true), set_config('calvora.operator', ") + literal(m_actor.operatorName)
        + QStringLiteral(", true)");
}

void ServerArchive::logEvent(const QString& action, const QString& target, const QString& details,
                             const QString& personal)
{
    transaction([&](PgConnection& c) {
        c.query(QStringLiteral("INSERT INTO activity_log (action, target, computer, account, operator, details, "
                               "personal) VALUES ($1, $2, $3, $4, $5, $6, $7)"),
                {action, target, m_actor.computer, m_actor.account, m_actor.operatorName, details, personal});
    });
}

void ServerArchive::copyLog(PgConnection& c, AgendaSink& sink)
{
    c.execute(QStringLiteral("DECLARE calvora_log_copy NO SCROLL CURSOR FOR SELECT ") + logColumns
              + QStringLiteral(" FROM activity_log ORDER BY n"));
    for (;;) {
        const QList<ActivityEntry> entries = entriesOf(c.query(QStringLiteral("FETCH 5000 FROM calvora_log_copy")));
        if (entries.isEmpty())
            break;
        sink.addLogEntries(entries);
    }
}

void ServerArchive::forEachLogEntry(const std::function<bool(const ActivityEntry&)>& visit)
{
    constexpr int batch = 5000;
    qint64 after = 0;
    for (;;) {
        const QList<ActivityEntry> entries = reading([&](PgConnection& c) {
            return entriesOf(c.query(QStringLiteral("SELECT ") + logColumns
                                         + QStringLiteral(" FROM activity_log WHERE n > $1 ORDER BY n LIMIT ")
                                         + QString::number(batch),
                                     {after}));
        });
        for (const ActivityEntry& e : entries)
            if (!visit(e))
                return;
        if (entries.size() < batch)
            return;
        after = entries.last().n;
    }
}

QList<ActivityEntry> ServerArchive::logOf(const QString& target, qint64 subject)
{
    return reading([&](PgConnection& c) {
        // An appointment's story includes its statuses and its cancellations, which are about the same id.
        return entriesOf(c.query(QStringLiteral("SELECT ") + logColumns
                                     + QStringLiteral(" FROM activity_log WHERE subject = $2 AND (target = $1 OR ($1 = "
                                                      "'appointment' AND target IN ('status', 'cancellation'))) ORDER BY n"),
                                 {target, subject}));
    });
}

QList<ActivityEntry> ServerArchive::logPage(const LogFilter& filter, int limit)
{
    const auto [sql, args] = pageQuery(filter, limit);
    return reading([&](PgConnection& c) { return entriesOf(c.query(sql, args)); });
}

QString ServerArchive::guardAdvice(PgConnection& c)
{
    const QString database = c.query(QStringLiteral("SELECT current_database()")).text(0, 0);
    return QStringLiteral("L'amministratore del server esegua una volta, come superutente, il passo che Calvora "
                          "stampa: «calvora --print-log-guard | sudo -u postgres psql -v ON_ERROR_STOP=1 -d %1» "
                          "(README, «Guarding the log»).")
        .arg(database);
}

std::optional<QString> ServerArchive::guardWarning(PgConnection& c)
{
    const PgResult r = c.query(QStringLiteral("SELECT pg_get_userbyid(relowner) = current_user, "
                                              "to_regprocedure($1) IS NULL FROM pg_class "
                                              "WHERE oid = to_regclass('activity_log')"),
                               {ServerLogSchema::anonymiseFunction()});
    if (r.rows() == 0)
        return std::nullopt;
    if (r.text(0, 0) == u"t")
        return QStringLiteral("Il registro attività sul server non è ancora protetto: l'utente con cui Calvora si "
                              "collega potrebbe modificarlo o cancellarlo. ")
            + guardAdvice(c);
    if (r.text(0, 1) == u"t") {
        QString text = missingAnonymisationText();
        text[0] = text[0].toUpper();
        return text + QStringLiteral(". ") + guardAdvice(c);
    }
    return std::nullopt;
}

QString ServerArchive::missingAnonymisationText()
{
    return QStringLiteral("il registro attività sul server è stato protetto con una versione precedente di Calvora e "
                          "non permette ancora di anonimizzare");
}
