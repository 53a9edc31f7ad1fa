#include "FileActivityLog.h"

#include "Clock.h"
#include "Database.h"
#include "FileActivityLogTriggers.h"
#include "FileLogNames.h"
#include "LikePattern.h"

#include <QRegularExpression>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <limits>

namespace {

using Context = FileActivityLog::Context;

QString textOf(sqlite3_value* value)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return bytes ? QString::fromUtf8(bytes, sqlite3_value_bytes(value)) : QString();
}

QJsonValue jsonOf(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return QJsonValue(qint64(sqlite3_value_int64(value)));
    case SQLITE_FLOAT:
        return QJsonValue(sqlite3_value_double(value));
    case SQLITE_NULL:
        return QJsonValue(QJsonValue::Null);
    default:
        return QJsonValue(textOf(value));
    }
}

void resultText(sqlite3_context* call, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text64(call, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString salt()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

// name, before, after, … → {"name": [before, after], …} of the fields whose value changed.
QJsonObject changes(int argc, sqlite3_value** argv)
{
    QJsonObject object;
    for (int i = 0; i + 2 < argc; i += 3) {
        sqlite3_value* before = argv[i + 1];
        sqlite3_value* after = argv[i + 2];
        const QJsonValue b = jsonOf(before);
        const QJsonValue a = jsonOf(after);
        if (b != a || sqlite3_value_type(before) != sqlite3_value_type(after))
            object.insert(textOf(argv[i]), QJsonArray{b, a});
    }
    return object;
}

// name, value, … → {"name": value, …}.
QJsonObject values(int argc, sqlite3_value** argv)
{
    QJsonObject object;
    for (int i = 0; i + 1 < argc; i += 2)
        object.insert(textOf(argv[i]), jsonOf(argv[i + 1]));
    return object;
}

QJsonObject salted(QJsonObject object)
{
    object.insert(QStringLiteral("salt"), salt());
    return object;
}

Context& contextOf(sqlite3_context* call)
{
    return *static_cast<Context*>(sqlite3_user_data(call));
}

void logNow(sqlite3_context* call, int, sqlite3_value**)
{
    resultText(call, Clock::now().toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'")));
}

void logAction(sqlite3_context* call, int, sqlite3_value** argv)
{
    const QString& action = contextOf(call).action;
    resultText(call, action.isEmpty() ? textOf(argv[0]) : action);
}

void logActor(sqlite3_context* call, int, sqlite3_value** argv)
{
    const AgendaArchive::Actor& actor = contextOf(call).actor;
    const int which = sqlite3_value_int(argv[0]);
    resultText(call, which == 0 ? actor.computer : which == 1 ? actor.account : actor.operatorName);
}

void logQuiet(sqlite3_context* call, int, sqlite3_value**)
{
    sqlite3_result_int(call, contextOf(call).quiet ? 1 : 0);
}

void logChanges(sqlite3_context* call, int argc, sqlite3_value** argv)
{
    resultText(call, compact(changes(argc, argv)));
}

void logPersonalChanges(sqlite3_context* call, int argc, sqlite3_value** argv)
{
    resultText(call, compact(salted(changes(argc, argv))));
}

void logValues(sqlite3_context* call, int argc, sqlite3_value** argv)
{
    resultText(call, compact(values(argc, argv)));
}

void logPersonalValues(sqlite3_context* call, int argc, sqlite3_value** argv)
{
    resultText(call, compact(salted(values(argc, argv))));
}

void logDigest(sqlite3_context* call, int, sqlite3_value** argv)
{
    resultText(call, ActivityChain::digest(textOf(argv[0])));
}

// previous hash (empty before the first entry), n, at, action, target, subject, computer, account,
// operator, client, details, personal digest → the entry's hash.
void logSeal(sqlite3_context* call, int, sqlite3_value** argv)
{
    ActivityEntry e;
    e.n = sqlite3_value_int64(argv[1]);
    e.at = textOf(argv[2]);
    e.action = textOf(argv[3]);
    e.target = textOf(argv[4]);
    if (sqlite3_value_type(argv[5]) != SQLITE_NULL)
        e.subject = sqlite3_value_int64(argv[5]);
    e.computer = textOf(argv[6]);
    e.account = textOf(argv[7]);
    e.operatorName = textOf(argv[8]);
    e.client = textOf(argv[9]);
    e.details = textOf(argv[10]);
    e.personalDigest = textOf(argv[11]);
    const QString previous = textOf(argv[0]);
    resultText(call, ActivityChain::hash(previous.isEmpty() ? ActivityChain::genesis() : previous, e));
}

struct Function {
    const char* name;
    int arguments; // -1: any number
    void (*body)(sqlite3_context*, int, sqlite3_value**);
};

const Function functions[] = {
    {"calvora_log_now", 0, logNow},
    {"calvora_log_action", 1, logAction},
    {"calvora_log_actor", 1, logActor},
    {"calvora_log_quiet", 0, logQuiet},
    {"calvora_log_changes", -1, logChanges},
    {"calvora_log_personal_changes", -1, logPersonalChanges},
    {"calvora_log_values", -1, logValues},
    {"calvora_log_personal_values", -1, logPersonalValues},
    {"calvora_log_digest", 1, logDigest},
    {"calvora_log_seal", 12, logSeal},
};

void registerFunctions(sqlite3* handle, Context* context)
{
    for (const Function& f : functions) {
        if (sqlite3_create_function_v2(handle, f.name, f.arguments, SQLITE_UTF8, context, f.body, nullptr, nullptr,
                                       nullptr)
            != SQLITE_OK)
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
    }
}

void exec(sqlite3* handle, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
        return;
    const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(handle));
    sqlite3_free(error);
    throw DatabaseError(message);
}

void install(sqlite3* handle, Context* context)
{
    // A connection that may only read writes nothing to log; the one that replaces it once the file is
    // writable again gets the log then.
    if (sqlite3_db_readonly(handle, "main") == 1)
        return;
    registerFunctions(handle, context);
    exec(handle, FileActivityLogTriggers::create());
    FileLogNames::install(handle);
}

void uninstall(sqlite3* handle)
{
    if (sqlite3_db_readonly(handle, "main") == 1)
        return;
    QString drops;
    for (const QString& name : FileActivityLogTriggers::names() + FileLogNames::triggerNames())
        drops += QStringLiteral("DROP TRIGGER IF EXISTS temp.") + name + u';';
    try {
        exec(handle, drops);
    } catch (const DatabaseError&) {
        // The connection is closing with its owner: its temporary triggers go with it.
    }
    for (const Function& f : functions)
        sqlite3_create_function_v2(handle, f.name, f.arguments, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                                   nullptr);
}

const QString entryColumns = QStringLiteral(
    "n, at, action, target, subject, computer, account, operator, client, details, personal, personal_digest, hash");

ActivityEntry entryOf(const SQLRow& row)
{
    ActivityEntry e;
    e.n = row.integer(0);
    e.at = row.text(1);
    e.action = row.text(2);
    e.target = row.text(3);
    if (!row.isNull(4))
        e.subject = row.integer(4);
    e.computer = row.text(5);
    e.account = row.text(6);
    e.operatorName = row.text(7);
    e.client = row.text(8);
    e.details = row.text(9);
    e.personal = row.text(10);
    e.personalDigest = row.text(11);
    e.hash = row.text(12);
    return e;
}

QString utcText(const QDate& day)
{
    return QDateTime(day, QTime(0, 0)).toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

} // namespace

FileActivityLog::FileActivityLog(Database& db)
    : m_db(db)
{
    m_db.configureConnection(this, [this](sqlite3* handle) { install(handle, &m_context); });
}

FileActivityLog::~FileActivityLog()
{
    m_db.releaseConnection(this, uninstall);
}

void FileActivityLog::logEvent(const QString& action, const QString& target, const QString& details,
                               const QString& personal)
{
    QJsonObject texts = QJsonDocument::fromJson(personal.toUtf8()).object();
    m_db.run(QStringLiteral("INSERT INTO activity_log (at, action, target, computer, account, operator, details, "
                            "personal) VALUES (calvora_log_now(), ?, ?, calvora_log_actor(0), calvora_log_actor(1), "
                            "calvora_log_actor(2), ?, ?)"),
             {action, target, details.isEmpty() ? QStringLiteral("{}") : details, compact(salted(texts))});
}

void FileActivityLog::forEach(Database& db, const std::function<bool(const ActivityEntry&)>& visit)
{
    // In batches by number: no statement stays open while the caller works, and memory stays small.
    constexpr int batch = 20000;
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        const QList<ActivityEntry> entries =
            db.query(QStringLiteral("SELECT ") + entryColumns
                         + QStringLiteral(" FROM activity_log WHERE n > ? ORDER BY n LIMIT ?"),
                     {after, qint64(batch)}, entryOf);
        for (const ActivityEntry& e : entries)
            if (!visit(e))
                return;
        if (entries.size() < batch)
            return;
        after = entries.last().n;
    }
}

QList<ActivityEntry> FileActivityLog::of(Database& db, const QString& target, qint64 subject)
{
    // An appointment's story includes its statuses and its cancellations, which are about the same id.
    const QString targets = target == u"appointment" ? QStringLiteral("('appointment', 'status', 'cancellation')")
                                                     : QStringLiteral("(?)");
    SQLArgs args;
    if (target != u"appointment")
        args.append(target);
    args.append(subject);
    return db.query(QStringLiteral("SELECT ") + entryColumns + QStringLiteral(" FROM activity_log WHERE target IN ")
                        + targets + QStringLiteral(" AND subject = ? ORDER BY n"),
                    args, entryOf);
}

QList<ActivityEntry> FileActivityLog::page(Database& db, const LogFilter& filter, int limit)
{
    QStringList where{QStringLiteral("1")};
    SQLArgs args;
    if (filter.day) {
        where << QStringLiteral("at >= ? AND at < ?");
        args << utcText(*filter.day) << utcText(filter.day->addDays(1));
    }
    const auto equal = [&](const char* column, const QString& value) {
        if (value.isEmpty())
            return;
        where << QString::fromLatin1(column) + QStringLiteral(" = ?");
        args << value;
    };
    equal("computer", filter.computer);
    equal("operator", filter.operatorName);
    equal("action", filter.action);
    if (const QString patient = filter.patient.trimmed(); !patient.isEmpty()) {
        // A name JSON writes as it is is looked for in the stored text first: most entries are set aside
        // without being parsed.
        static const QRegularExpression escapedInJson(QStringLiteral("[\"\\\\\\x00-\\x1f]"));
        if (!patient.contains(escapedInJson)) {
            where << QStringLiteral("personal LIKE ? ESCAPE '\\'");
            args << LikePattern::containing(patient);
        }
        if (const std::optional<QString> named = FileLogNames::candidates(db, LikePattern::containing(patient), args))
            where << *named;
        // The name alone ("patient": text) or before and after ("patient": [before, after]).
        where << QStringLiteral("EXISTS (SELECT 1 FROM json_tree(personal) WHERE ((path = '$' AND key = 'patient') "
                                "OR path = '$.patient') AND atom LIKE ? ESCAPE '\\')");
        args << LikePattern::containing(patient);
    }
    if (filter.before) {
        where << QStringLiteral("n < ?");
        args << *filter.before;
    }
    if (filter.after) {
        where << QStringLiteral("n > ?");
        args << *filter.after;
    }
    args << qint64(limit);
    return db.query(QStringLiteral("SELECT ") + entryColumns + QStringLiteral(" FROM activity_log WHERE ")
                        + where.join(QStringLiteral(" AND ")) + QStringLiteral(" ORDER BY n DESC LIMIT ?"),
                    args, entryOf);
}
