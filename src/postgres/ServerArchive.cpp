#include "ServerArchive.h"

#include "PgConnection.h"
#include "ServerReading.h"
#include "ServerIndexSource.h"
#include "ServerLogSchema.h"
#include "ServerReader.h"
#include "ServerRows.h"
#include "ServerSchema.h"

namespace {

using ServerRows::appointmentAt;
using ServerRows::appointmentsOf;
using ServerRows::columns;

// The appointments with these ids that still exist, in no particular order.
QList<Appointment> withIds(PgConnection& c, const QList<qint64>& ids)
{
    QStringList numbers;
    for (const qint64 id : ids)
        numbers << QString::number(id);
    return appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                      + QStringLiteral(" FROM appointments WHERE id = ANY($1::bigint[])"),
                                  {u'{' + numbers.join(u',') + u'}'}));
}

// A change told by the name of a table the search index does not read.
bool leavesAppointments(const QString& payload)
{
    return payload == u"dentists" || payload == u"settings" || payload == u"appointment_status"
        || payload == u"cancelled_appointments" || payload == u"waiting_list" || payload == u"recalls";
}

bool elapsed(std::chrono::steady_clock::time_point since, int seconds)
{
    return std::chrono::steady_clock::now() - since >= std::chrono::seconds(seconds);
}

} // namespace

QList<Appointment> ServerArchive::dentistDayOn(PgConnection& c, const QString& dayKey, qint64 dentistId, qint64 exceptId)
{
    return appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                      + QStringLiteral(" FROM appointments WHERE day = $1 AND dentist_id = $2 AND "
                                                       "id <> $3 ORDER BY start_min, id"),
                                  {dayKey, dentistId, exceptId}));
}

ServerArchive::ServerArchive(const ConnectionLine& line, std::unique_ptr<AgendaBackups> backups)
    : m_line(line)
    , m_backups(std::move(backups))
{
    std::unique_ptr<PgConnection> first = PgConnection::open(m_line);
    ServerSchema::prepare(*first);
    ServerLogSchema::completeLog(*first);
    ServerLogSchema::indexPatients(*first);
    m_openingWarning = guardWarning(*first);
    connected(std::move(first));
}

ServerArchive::~ServerArchive() = default;

// A new connection listens before it is used, so no change committed after its first read is missed.
void ServerArchive::connected(std::unique_ptr<PgConnection> fresh)
{
    const ServerSchema::Inspection found = ServerSchema::inspect(*fresh);
    if (found.content != ServerSchema::Content::Calvora)
        throw DatabaseError(ServerSchema::foreignText());
    // Tables a newer program upgraded: this one could misread them, and must not write to them.
    if (found.version > ServerSchema::currentVersion)
        throw DatabaseError::newer(found.version, ServerSchema::currentVersion);
    fresh->execute(QStringLiteral("LISTEN calvora"));
    m_location = fresh->description();
    m_connection = std::move(fresh);
    m_failedRecently = false;
    ++m_connections;
}

void ServerArchive::dropConnection()
{
    m_connection.reset();
}

// A broken connection is replaced at once unless an attempt failed moments ago: then the operation
// fails without waiting again, so a server that is away does not freeze every click.
PgConnection& ServerArchive::connection()
{
    if (m_connection && !m_connection->broken())
        return *m_connection;
    dropConnection();
    if (m_pending)
        return pendingConnection(connectBudget);
    if (m_failedRecently && !elapsed(m_lastFailure, retrySeconds))
        throw DatabaseError(PgConnection::unavailableText(QStringLiteral("nuovo tentativo tra pochi secondi")),
                            DatabaseError::Kind::Unavailable);
    // Begun here and waited for only briefly: a server that does not answer must not hold the window
    // for the whole connect timeout. The change check takes an unfinished attempt further.
    m_pending = PgConnection::start(m_line);
    return pendingConnection(connectBudget);
}

// An attempt under way is taken further, waiting for the server at most `budget`, never replaced by
// one that waits: on the window's thread that could last the whole connect timeout.
PgConnection& ServerArchive::pendingConnection(std::chrono::milliseconds budget)
{
    const PgConnection::Progress progress = m_pending->advance(budget);
    if (progress == PgConnection::Progress::Waiting)
        throw DatabaseError(PgConnection::unavailableText(QStringLiteral("nuovo tentativo in corso")),
                            DatabaseError::Kind::Unavailable);
    std::unique_ptr<PgConnection> attempt = std::move(m_pending);
    if (progress == PgConnection::Progress::Failed) {
        m_failedRecently = true;
        m_lastFailure = std::chrono::steady_clock::now();
        throw DatabaseError(attempt->failureKind() == DatabaseError::Kind::Untrusted
                                ? attempt->failure()
                                : PgConnection::unavailableText(attempt->failure()),
                            DatabaseError::Kind::Unavailable);
    }
    connected(std::move(attempt));
    // What is on show may be older than the server's agenda: the next change check says so.
    m_reconnected = true;
    return *m_connection;
}

QList<Dentist> ServerArchive::dentistsOn(PgConnection& c)
{
    const PgResult r = c.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY position, id"));
    QList<Dentist> list;
    for (int i = 0; i < r.rows(); ++i)
        list.append(Dentist{r.integer(i, 0), r.text(i, 1), r.text(i, 2), int(r.integer(i, 3)), {}});
    return list;
}

QHash<QString, QString> ServerArchive::settingsOn(PgConnection& c)
{
    const PgResult r = c.query(QStringLiteral("SELECT key, value FROM settings"));
    QHash<QString, QString> settings;
    for (int i = 0; i < r.rows(); ++i)
        settings.insert(r.text(i, 0), r.text(i, 1));
    return settings;
}

QList<Dentist> ServerArchive::dentists()
{
    return reading([](PgConnection& c) { return dentistsOn(c); });
}

QString ServerArchive::studioName()
{
    return reading([](PgConnection& c) {
        const PgResult r = c.query(QStringLiteral("SELECT value FROM settings WHERE key = 'studio_name'"));
        return r.rows() == 0 ? QString() : r.text(0, 0);
    });
}

QList<Appointment> ServerArchive::appointments(const QString& fromKey, const QString& toKey)
{
    return reading([&](PgConnection& c) {
        return appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                          + QStringLiteral(" FROM appointments WHERE day BETWEEN $1 AND $2 "
                                                           "ORDER BY day, start_min, id"),
                                      {fromKey, toKey}));
    });
}

std::optional<Appointment> ServerArchive::appointment(qint64 id)
{
    return reading([&](PgConnection& c) -> std::optional<Appointment> {
        const PgResult r =
            c.query(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM appointments WHERE id = $1"), {id});
        if (r.rows() == 0)
            return std::nullopt;
        return appointmentAt(r, 0);
    });
}

QList<Appointment> ServerArchive::dentistDay(const QString& dayKey, qint64 dentistId, qint64 exceptId)
{
    return reading([&](PgConnection& c) { return dentistDayOn(c, dayKey, dentistId, exceptId); });
}

QString ServerArchive::searchStatement(int limit)
{
    return ServerReader::searchStatement(limit);
}

QList<Appointment> ServerArchive::searchQuery(const QString& pattern, int limit)
{
    return reading([&](PgConnection& c) { return ServerReader::search(c, pattern, limit); });
}

QStringList ServerArchive::mostUsedTreatmentsQuery(int limit)
{
    return reading([&](PgConnection& c) { return ServerReader::mostUsedTreatments(c, limit); });
}

QList<Appointment> ServerArchive::appointmentsWithIds(const QList<qint64>& ids)
{
    return reading([&](PgConnection& c) { return withIds(c, ids); });
}

QList<KnownPatient> ServerArchive::knownPatientsQuery(const QString& pattern, int limit)
{
    return reading([&](PgConnection& c) { return ServerReader::knownPatients(c, pattern, limit); });
}

QHash<QString, QString> ServerArchive::allSettings()
{
    return reading([](PgConnection& c) { return settingsOn(c); });
}

// Never waits: a connection being made again is moved on only as far as it goes without waiting.
bool ServerArchive::changedElsewhere()
{
    try {
        if (!m_connection) {
            if (!m_pending) {
                if (m_failedRecently && !elapsed(m_lastFailure, retrySeconds))
                    return false;
                m_pending = PgConnection::start(m_line);
            }
            const PgConnection::Progress progress = m_pending->advance();
            if (progress == PgConnection::Progress::Waiting)
                return false;
            std::unique_ptr<PgConnection> fresh = std::move(m_pending);
            if (progress == PgConnection::Progress::Failed)
                throw DatabaseError(fresh->failure(), DatabaseError::Kind::Unavailable);
            connected(std::move(fresh));
            m_reconnected = true;
        }
        if (!drainNotifications())
            return false;
        const bool changed = m_reconnected || m_foreignPending;
        m_reconnected = false;
        m_foreignPending = false;
        // The kept index is built again now, not at the next search.
        if (changed)
            refreshIndex();
        if (!m_marked) {
            m_marked = true;
            return false;
        }
        return changed;
    } catch (const DatabaseError&) {
        m_pending.reset();
        m_failedRecently = true;
        m_lastFailure = std::chrono::steady_clock::now();
        return false;
    }
}

bool ServerArchive::drainNotifications()
{
    QList<PgConnection::Notification> received;
    if (!m_connection->takeNotifications(received)) {
        dropConnection();
        return false;
    }
    static const QString rowPrefix = QStringLiteral("appointments:");
    QList<qint64> rows;
    bool other = false;
    for (const PgConnection::Notification& n : std::as_const(received)) {
        if (n.sender == m_connection->backendPid())
            continue;
        m_foreignPending = true;
        bool isRow = false;
        const qint64 id = n.payload.startsWith(rowPrefix) ? n.payload.mid(rowPrefix.size()).toLongLong(&isRow) : 0;
        if (isRow)
            rows.append(id);
        else if (!leavesAppointments(n.payload))
            other = true;
    }
    if (other || (!rows.isEmpty() && !takeIntoIndex(IndexKeeper::Mark{m_connections, 0, m_foreignSeen}, rows,
                                                    [this](const QList<qint64>& ids) {
                                                        return withIds(*m_connection, ids);
                                                    })))
        ++m_foreignSeen;
    return true;
}

// Another computer's change counts once its notification has been read; a new connection may have
// missed some, so it counts too.
std::optional<IndexKeeper::Mark> ServerArchive::indexMark()
{
    if (!m_connection || m_connection->broken() || !drainNotifications())
        return std::nullopt;
    return IndexKeeper::Mark{m_connections, 0, m_foreignSeen};
}

IndexKeeper::Load ServerArchive::indexLoader() const
{
    return [line = m_line](const std::atomic<bool>& cancel) { return ServerIndexSource::load(line, cancel); };
}

AgendaArchive::ReaderMaker ServerArchive::readerMaker() const
{
    return [line = m_line] { return ServerReader::open(line); };
}

AgendaArchive::LogReaderMaker ServerArchive::logReaderMaker() const
{
    // Only the log is read through it: no backups.
    return [line = m_line]() -> std::unique_ptr<AgendaArchive> {
        try {
            return std::make_unique<ServerArchive>(line, nullptr);
        } catch (const DatabaseError&) {
            return nullptr;
        }
    };
}
