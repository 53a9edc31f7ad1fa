#include "PgConnection.h"

#include "Libpq.h"

#include <libpq-fe.h>

// The session once connected: statements, their results and errors, transactions, notifications.

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

QString PgConnection::lastError() const
{
    const QString all = QString::fromUtf8(PQerrorMessage(m_connection)).trimmed();
    return all.section(u'\n', 0, 0).trimmed();
}

QString PgConnection::nulText()
{
    return QStringLiteral("il testo contiene un carattere nullo (NUL), che il server non può conservare");
}

bool PgConnection::broken() const
{
    return m_lost || PQstatus(m_connection) != CONNECTION_OK;
}

std::shared_ptr<pg_cancel> PgConnection::canceller() const
{
    pg_cancel* handle = PQgetCancel(m_connection);
    if (!handle)
        return nullptr;
    return std::shared_ptr<pg_cancel>(handle, [](pg_cancel* h) { PQfreeCancel(h); });
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
        return DatabaseError(unavailableText(lastError()), DatabaseError::Kind::Unavailable);
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString message = primary ? QString::fromUtf8(primary) : lastError();
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

void PgConnection::transaction(const std::function<void()>& body, const QString& begin)
{
    try {
        // Inside: a `begin` of several statements may fail after its BEGIN.
        execute(begin);
        body();
    } catch (...) {
        if (!broken()) {
            try {
                execute(QStringLiteral("ROLLBACK"));
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    try {
        execute(QStringLiteral("COMMIT"));
    } catch (const DatabaseError& error) {
        if (!broken())
            throw;
        // The server may or may not have committed before the answer was lost: never report it saved.
        throw DatabaseError(QStringLiteral("la conferma del server è andata persa, quindi la modifica potrebbe "
                                           "non essere stata salvata: controlla l'agenda quando il server torna "
                                           "raggiungibile (")
                                + error.message() + u')',
                            DatabaseError::Kind::Unavailable);
    }
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
