#include "PgConnection.h"

#include "Libpq.h"

#include <QByteArray>
#include <QTimeZone>

#include <libpq-fe.h>

#include <poll.h>

#include <vector>

namespace {

QString firstLine(const char* text)
{
    const QString all = QString::fromUtf8(text ? text : "").trimmed();
    return all.section(u'\n', 0, 0).trimmed();
}

struct Keywords {
    std::vector<QByteArray> storage;
    std::vector<const char*> keywords;
    std::vector<const char*> values;
};

Keywords keywordsOf(const ConnectionLine& line)
{
    Keywords k;
    const ConnectionLine::Options options = line.connectionOptions(QProcessEnvironment::systemEnvironment());
    k.storage.reserve(options.size() * 2);
    for (const auto& [keyword, value] : options) {
        k.storage.push_back(keyword.toUtf8());
        k.keywords.push_back(k.storage.back().constData());
        k.storage.push_back(value.toUtf8());
        k.values.push_back(k.storage.back().constData());
    }
    k.keywords.push_back(nullptr);
    k.values.push_back(nullptr);
    return k;
}

int connectTimeoutOf(const ConnectionLine& line)
{
    bool ok = false;
    const int seconds = line.option(QStringLiteral("connect_timeout")).toInt(&ok);
    // libpq itself treats anything under two seconds (but zero, "wait for ever") as two.
    if (!ok)
        return ConnectionLine::defaultConnectTimeout;
    return seconds <= 0 ? 0 : std::max(seconds, 2);
}

} // namespace

void PgResult::Clear::operator()(pg_result* result) const
{
    PQclear(result);
}

PgResult::PgResult(pg_result* result)
    : m_result(result)
{
}

int PgResult::rows() const
{
    return PQntuples(m_result.get());
}

QString PgResult::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result.get(), row, column), PQgetlength(m_result.get(), row, column));
}

qint64 PgResult::integer(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result.get(), row, column)).toLongLong();
}

PgConnection::PgConnection(pg_conn* connection, int connectTimeoutSeconds)
    : m_connection(connection)
    , m_started(std::chrono::steady_clock::now())
    , m_connectTimeout(connectTimeoutSeconds)
{
    // The server's notices (such as its warning before a shutdown) are no business of the terminal.
    if (m_connection)
        PQsetNoticeProcessor(m_connection, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection()
{
    PQfinish(m_connection);
}

std::unique_ptr<PgConnection> PgConnection::open(const ConnectionLine& line)
{
    if (const QString missing = Libpq::load(); !missing.isEmpty())
        throw DatabaseError(missing, DatabaseError::Kind::Unavailable);
    const Keywords k = keywordsOf(line);
    std::unique_ptr<PgConnection> c(
        new PgConnection(PQconnectdbParams(k.keywords.data(), k.values.data(), 0), connectTimeoutOf(line)));
    if (!c->m_connection)
        throw DatabaseError(QStringLiteral("memoria esaurita"), DatabaseError::Kind::Unavailable);
    if (PQstatus(c->m_connection) != CONNECTION_OK)
        throw DatabaseError(c->connectFailure(), DatabaseError::Kind::Unavailable);
    c->readySession();
    return c;
}

std::unique_ptr<PgConnection> PgConnection::start(const ConnectionLine& line)
{
    if (const QString missing = Libpq::load(); !missing.isEmpty())
        throw DatabaseError(missing, DatabaseError::Kind::Unavailable);
    const Keywords k = keywordsOf(line);
    std::unique_ptr<PgConnection> c(
        new PgConnection(PQconnectStartParams(k.keywords.data(), k.values.data(), 0), connectTimeoutOf(line)));
    if (!c->m_connection)
        throw DatabaseError(QStringLiteral("memoria esaurita"), DatabaseError::Kind::Unavailable);
    return c;
}

PgConnection::Progress PgConnection::advance()
{
    if (!m_failure.isEmpty())
        return Progress::Failed;
    if (PQstatus(m_connection) == CONNECTION_OK)
        return Progress::Ready;
    for (;;) {
        if (PQstatus(m_connection) == CONNECTION_BAD) {
            m_failure = connectFailure();
            return Progress::Failed;
        }
        pollfd socket{PQsocket(m_connection), short(m_waitForWrite ? POLLOUT : POLLIN), 0};
        if (socket.fd < 0 || ::poll(&socket, 1, 0) <= 0) {
            const auto waited = std::chrono::steady_clock::now() - m_started;
            if (m_connectTimeout > 0 && waited > std::chrono::seconds(m_connectTimeout)) {
                m_failure = QStringLiteral("il server non ha risposto entro ") + QString::number(m_connectTimeout)
                    + QStringLiteral(" secondi");
                return Progress::Failed;
            }
            return Progress::Waiting;
        }
        switch (PQconnectPoll(m_connection)) {
        case PGRES_POLLING_OK:
            try {
                readySession();
            } catch (const DatabaseError& error) {
                m_failure = error.message();
                return Progress::Failed;
            }
            return Progress::Ready;
        case PGRES_POLLING_FAILED:
            m_failure = connectFailure();
            return Progress::Failed;
        case PGRES_POLLING_READING:
            m_waitForWrite = false;
            break;
        default:
            m_waitForWrite = true;
            break;
        }
    }
}

// Over TCP the agenda travels encrypted unless whoever set up the line chose sslmode=disable (in the
// line, the service file or PGSSLMODE): "prefer" or "allow" that ended unencrypted is refused.
void PgConnection::readySession()
{
    const QString host = QString::fromUtf8(PQhost(m_connection));
    const bool socket = host.startsWith(u'/') || host.startsWith(u'@');
    QString sslmode;
    if (PQconninfoOption* options = PQconninfo(m_connection)) {
        for (const PQconninfoOption* o = options; o->keyword; ++o)
            if (qstrcmp(o->keyword, "sslmode") == 0 && o->val)
                sslmode = QString::fromUtf8(o->val);
        PQconninfoFree(options);
    }
    if (!socket && !PQsslInUse(m_connection) && sslmode != u"disable")
        throw DatabaseError(QStringLiteral("la connessione al server non è cifrata (TLS): attiva SSL sul server "
                                           "oppure, solo in una rete fidata, scrivi sslmode=disable nella riga"),
                            DatabaseError::Kind::Unavailable);
    if (QByteArray(PQparameterStatus(m_connection, "server_encoding")) != "UTF8")
        throw DatabaseError(QStringLiteral("il database del server non usa la codifica UTF8: creane uno con "
                                           "ENCODING 'UTF8' per Calvora"));
    // Times written by the server (created_at, updated_at) are in this computer's local time, as in the
    // data folder's file. A zone the server does not know leaves its own.
    try {
        (void)query(QStringLiteral("SELECT set_config('TimeZone', $1, false)"),
                    {QString::fromUtf8(QTimeZone::systemTimeZoneId())});
    } catch (const DatabaseError&) {
        if (broken())
            throw;
    }
}

QString PgConnection::connectFailure() const
{
    const QString user = QString::fromUtf8(PQuser(m_connection));
    const QString detail = firstLine(PQerrorMessage(m_connection));
    if (PQconnectionNeedsPassword(m_connection))
        return QStringLiteral("il server chiede una password per l'utente «") + user
            + QStringLiteral("», ma il file delle password di PostgreSQL di questo computer (~/.pgpass) non ne "
                             "ha una per questo server");
    if (PQconnectionUsedPassword(m_connection))
        return QStringLiteral("il server ha rifiutato l'accesso dell'utente «") + user + QStringLiteral("» (")
            + detail + QStringLiteral(")");
    return detail;
}

QString PgConnection::unavailableText(const QString& reason)
{
    return QStringLiteral("il server dell'archivio non risponde (") + reason
        + QStringLiteral("). Calvora si ricollega da solo appena il server torna raggiungibile.");
}

QString PgConnection::nulText()
{
    return QStringLiteral("il testo contiene un carattere nullo (NUL), che il server non può conservare");
}

bool PgConnection::broken() const
{
    return m_lost || PQstatus(m_connection) != CONNECTION_OK;
}

int PgConnection::backendPid() const
{
    return PQbackendPID(m_connection);
}

// An error without SQLSTATE is libpq's own: the server's answer did not arrive (libpq may report the
// closed connection before it marks the connection bad).
DatabaseError PgConnection::errorOf(pg_result* result)
{
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    if (state.isEmpty() || state.startsWith("08") || state.startsWith("57P"))
        m_lost = true;
    if (broken())
        return DatabaseError(unavailableText(firstLine(PQerrorMessage(m_connection))), DatabaseError::Kind::Unavailable);
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString message = primary ? QString::fromUtf8(primary) : firstLine(PQerrorMessage(m_connection));
    if (state == "23P01")
        return DatabaseError(message, DatabaseError::Kind::Overlap);
    return DatabaseError(message);
}

PgResult PgConnection::query(const QString& sql, const SQLArgs& args)
{
    std::vector<QByteArray> storage;
    std::vector<const char*> values;
    storage.reserve(args.size());
    for (const SQLValue& arg : args) {
        if (const qint64* v = arg.integer()) {
            storage.push_back(QByteArray::number(*v));
        } else if (const QString* t = arg.text()) {
            if (t->contains(QChar(0)))
                throw DatabaseError(nulText());
            storage.push_back(t->toUtf8());
        } else {
            values.push_back(nullptr);
            continue;
        }
        values.push_back(storage.back().constData());
    }
    pg_result* raw = PQexecParams(m_connection, sql.toUtf8().constData(), int(values.size()), nullptr,
                                  values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        const DatabaseError error = errorOf(raw);
        PQclear(raw);
        throw error;
    }
    return PgResult(raw);
}

void PgConnection::execute(const QString& sql)
{
    pg_result* raw = PQexec(m_connection, sql.toUtf8().constData());
    const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        const DatabaseError error = errorOf(raw);
        PQclear(raw);
        throw error;
    }
    PQclear(raw);
}

bool PgConnection::takeNotifications(QList<Notification>& received)
{
    if (broken() || !PQconsumeInput(m_connection) || broken())
        return false;
    while (PGnotify* notification = PQnotifies(m_connection)) {
        received.append({notification->be_pid, QString::fromUtf8(notification->extra)});
        PQfreemem(notification);
    }
    return true;
}

QString PgConnection::description() const
{
    const QString host = QString::fromUtf8(PQhost(m_connection));
    const QString place = host.startsWith(u'/') ? QStringLiteral("socket locale ") + host
                                                : host + u':' + QString::fromUtf8(PQport(m_connection));
    return QStringLiteral("database «") + QString::fromUtf8(PQdb(m_connection)) + QStringLiteral("» su ") + place
        + QStringLiteral(", utente «") + QString::fromUtf8(PQuser(m_connection)) + QStringLiteral("»");
}
