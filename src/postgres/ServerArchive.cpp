#include "ServerArchive.h"

#include "PgConnection.h"
#include "ServerIndexSource.h"
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

QList<Appointment> dentistDayOn(PgConnection& c, const QString& dayKey, qint64 dentistId, qint64 exceptId)
{
    return appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                      + QStringLiteral(" FROM appointments WHERE day = $1 AND dentist_id = $2 AND "
                                                       "id <> $3 ORDER BY start_min, id"),
                                  {dayKey, dentistId, exceptId}));
}

// A change told by the name of a table the search index does not read.
bool leavesAppointments(const QString& payload)
{
    return payload == u"dentists" || payload == u"settings";
}

bool elapsed(std::chrono::steady_clock::time_point since, int seconds)
{
    return std::chrono::steady_clock::now() - since >= std::chrono::seconds(seconds);
}

} // namespace

ServerArchive::ServerArchive(const ConnectionLine& line, std::unique_ptr<AgendaBackups> backups)
    : m_line(line)
    , m_backups(std::move(backups))
{
    std::unique_ptr<PgConnection> first = PgConnection::open(m_line);
    ServerSchema::prepare(*first);
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
    m_pending.reset();
    if (m_failedRecently && !elapsed(m_lastFailure, retrySeconds))
        throw DatabaseError(PgConnection::unavailableText(QStringLiteral("nuovo tentativo tra pochi secondi")),
                            DatabaseError::Kind::Unavailable);
    try {
        connected(PgConnection::open(m_line));
    } catch (const DatabaseError& error) {
        m_failedRecently = true;
        m_lastFailure = std::chrono::steady_clock::now();
        dropConnection();
        // A server that no longer proves who it is has not gone away: it is said as it is.
        throw DatabaseError(error.kind() == DatabaseError::Kind::Untrusted ? error.message()
                                                                           : PgConnection::unavailableText(error.message()),
                            DatabaseError::Kind::Unavailable);
    }
    // What is on show may be older than the server's agenda: the next change check says so.
    m_reconnected = true;
    return *m_connection;
}

template <typename Read>
auto ServerArchive::reading(Read read) -> decltype(read(std::declval<PgConnection&>()))
{
    {
        PgConnection& c = connection();
        try {
            return read(c);
        } catch (const DatabaseError&) {
            if (!c.broken())
                throw;
            dropConnection();
        }
    }
    // The connection had broken while idle (a server restarted meanwhile): reading again is harmless.
    PgConnection& fresh = connection();
    try {
        return read(fresh);
    } catch (const DatabaseError&) {
        if (fresh.broken())
            dropConnection();
        throw;
    }
}

void ServerArchive::transaction(const std::function<void(PgConnection&)>& body)
{
    for (int attempt = 0;; ++attempt) {
        PgConnection& c = connection();
        try {
            c.execute(QStringLiteral("BEGIN"));
        } catch (const DatabaseError&) {
            if (!c.broken())
                throw;
            dropConnection();
            if (attempt == 0)
                continue; // nothing was sent but BEGIN: safe to start again on a new connection
            throw;
        }
        try {
            body(c);
        } catch (...) {
            if (c.broken()) {
                dropConnection(); // the server drops the open transaction with the connection
            } else {
                try {
                    c.execute(QStringLiteral("ROLLBACK"));
                } catch (const DatabaseError&) {
                }
            }
            throw;
        }
        try {
            c.execute(QStringLiteral("COMMIT"));
        } catch (const DatabaseError& error) {
            if (!c.broken())
                throw;
            dropConnection();
            // The server may or may not have committed before the answer was lost: never report it saved.
            throw DatabaseError(QStringLiteral("la conferma del server è andata persa, quindi la modifica potrebbe "
                                               "non essere stata salvata: controlla l'agenda quando il server torna "
                                               "raggiungibile (")
                                    + error.message() + u')',
                                DatabaseError::Kind::Unavailable);
        }
        return;
    }
}

QList<Dentist> ServerArchive::dentists()
{
    return reading([](PgConnection& c) {
        const PgResult r = c.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY position, id"));
        QList<Dentist> list;
        for (int i = 0; i < r.rows(); ++i)
            list.append(Dentist{r.integer(i, 0), r.text(i, 1), r.text(i, 2), int(r.integer(i, 3)), {}});
        return list;
    });
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

// The stored row is locked while it is judged, so nobody changes it in between. Writers into one
// dentist's day queue on a lock of that day before they read it, so that the second of two computers
// booking the same minutes sees the first one's appointment and is refused with the rule's message.
// Without the queue both would insert and then meet in the exclusion constraint, each waiting for the
// other: a deadlock the server breaks only after a second, with an error. The constraint still refuses
// whatever another writer brings (kind Overlap).
AgendaArchive::WriteCheck ServerArchive::checkOn(PgConnection& c, const Appointment& a)
{
    WriteCheck check;
    c.query(QStringLiteral("SELECT pg_advisory_xact_lock(($1::bigint % 2147483647)::integer, hashtext($2))"),
            {a.dentistId, a.day});
    if (a.id != 0) {
        const PgResult r = c.query(QStringLiteral("SELECT ") + columns
                                       + QStringLiteral(" FROM appointments WHERE id = $1 FOR UPDATE"),
                                   {a.id});
        if (r.rows() > 0)
            check.stored = appointmentAt(r, 0);
    }
    check.dentistDay = dentistDayOn(c, a.day, a.dentistId, a.id);
    return check;
}

qint64 ServerArchive::writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    const SQLArgs values{a.dentistId, a.day, a.startMinutes, a.durationMinutes,
                         a.patient,   a.phone, a.treatment,  a.notes};
    qint64 written = 0;
    ownWrite([&] { transaction([&](PgConnection& c) {
        if (!approve(checkOn(c, a)))
            return;
        if (a.id != 0) {
            c.query(QStringLiteral("UPDATE appointments SET dentist_id = $1, day = $2, start_min = $3, "
                                   "duration_min = $4, patient = $5, phone = $6, treatment = $7, notes = $8, "
                                   "updated_at = to_char(localtimestamp(0), 'YYYY-MM-DD HH24:MI:SS') WHERE id = $9"),
                    values + SQLArgs{a.id});
            written = a.id;
        } else {
            written = c.query(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
                                             "patient, phone, treatment, notes) VALUES ($1, $2, $3, $4, $5, $6, $7, "
                                             "$8) RETURNING id"),
                              values)
                          .integer(0, 0);
        }
    }); }, storing(a, written));
    return written;
}

bool ServerArchive::restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    bool wrote = false;
    ownWrite([&] { transaction([&](PgConnection& c) {
        if (!approve(checkOn(c, a)))
            return;
        c.query(QStringLiteral("INSERT INTO appointments (id, dentist_id, day, start_min, duration_min, patient, "
                               "phone, treatment, notes) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)"),
                {a.id, a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment,
                 a.notes});
        wrote = true;
    }); }, restoring(a, wrote));
    return wrote;
}

QList<KnownPatient> ServerArchive::knownPatientsQuery(const QString& pattern, int limit)
{
    return reading([&](PgConnection& c) { return ServerReader::knownPatients(c, pattern, limit); });
}

// Deleting twice is the same as once, so a lost answer is simply asked again.
void ServerArchive::deleteAppointment(qint64 id)
{
    ownWrite([&] {
        repeatableWrite([&](PgConnection& c) {
            return c.query(QStringLiteral("DELETE FROM appointments WHERE id = $1"), {id}).rows();
        });
    },
             removing(id));
}

void ServerArchive::saveSettings(const QString& studioName, const QList<Dentist>& dentists)
{
    transaction([&](PgConnection& c) {
        c.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ('studio_name', $1) "
                               "ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value"),
                {studioName.trimmed()});
        for (const Dentist& d : dentists)
            c.query(QStringLiteral("UPDATE dentists SET name = $1, color = $2 WHERE id = $3"),
                    {d.name, d.colorHex, d.id});
    });
}

QHash<QString, QString> ServerArchive::allSettings()
{
    return reading([](PgConnection& c) {
        const PgResult r = c.query(QStringLiteral("SELECT key, value FROM settings"));
        QHash<QString, QString> settings;
        for (int i = 0; i < r.rows(); ++i)
            settings.insert(r.text(i, 0), r.text(i, 1));
        return settings;
    });
}

// Storing or removing a setting twice is the same as once, so a lost answer is simply asked again.
void ServerArchive::writeSetting(const QString& key, const std::optional<QString>& value)
{
    repeatableWrite([&](PgConnection& c) {
        if (value)
            return c.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2) "
                                          "ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value"),
                           {key, *value})
                .rows();
        return c.query(QStringLiteral("DELETE FROM settings WHERE key = $1"), {key}).rows();
    });
}

// The next id and position after the highest, as the file gives them; the lock keeps two computers
// adding at once from taking the same.
qint64 ServerArchive::addDentist(const QString& name, const QString& colorHex)
{
    qint64 id = 0;
    transaction([&](PgConnection& c) {
        c.execute(QStringLiteral("LOCK TABLE dentists IN EXCLUSIVE MODE"));
        id = c.query(QStringLiteral("INSERT INTO dentists (id, name, color, position) SELECT COALESCE(MAX(id), 0) + "
                                    "1, $1, $2, COALESCE(MAX(position), -1) + 1 FROM dentists RETURNING id"),
                     {name, colorHex})
                 .integer(0, 0);
    });
    return id;
}

void ServerArchive::reorderDentists(const QList<qint64>& ids)
{
    transaction([&](PgConnection& c) {
        for (qsizetype i = 0; i < ids.size(); ++i)
            c.query(QStringLiteral("UPDATE dentists SET position = $1 WHERE id = $2"), {qint64(i), ids[i]});
    });
}

// The appointments are locked against every writer (reading stays open) from the reading to the
// commit, so no other computer can book the dentist in between, as BEGIN IMMEDIATE does for the file.
bool ServerArchive::writeSettingIfNoneFrom(const QString& key, const QString& value, qint64 dentistId,
                                           const QString& fromKey,
                                           const std::function<bool(const QList<Appointment>& remaining)>& approve)
{
    bool wrote = false;
    transaction([&](PgConnection& c) {
        c.execute(QStringLiteral("LOCK TABLE appointments IN SHARE MODE"));
        const QList<Appointment> remaining =
            appointmentsOf(c.query(QStringLiteral("SELECT ") + columns
                                       + QStringLiteral(" FROM appointments WHERE dentist_id = $1 AND day >= $2 "
                                                        "ORDER BY day, start_min, id"),
                                   {dentistId, fromKey}));
        if (!approve(remaining))
            return;
        c.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2) "
                               "ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value"),
                {key, value});
        wrote = true;
    });
    return wrote;
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
