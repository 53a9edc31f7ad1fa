#include "SqliteArchive.h"

#include "LikePattern.h"

#include "AppointmentRows.h"
#include "Backup.h"
#include "Database.h"
#include "FileActivityLog.h"
#include "Settings.h"
#include "SqliteIndexSource.h"
#include "SqliteReader.h"
#include "TreatmentTally.h"

#include <algorithm>

#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

// LIKE ignores the case of A to Z only, so texts are compared the same way.
QString asciiLower(QString text)
{
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return text;
}

const QString selectAppointments = QStringLiteral("SELECT ") + AppointmentRows::columns;

// "id IN (…)" for these ids, given as one argument (a JSON array of numbers).
QString idIn(const QList<qint64>& ids, SQLArgs& args)
{
    QStringList numbers;
    for (const qint64 id : ids)
        numbers.append(QString::number(id));
    args.append(u'[' + numbers.join(u',') + u']');
    return QStringLiteral("id IN (SELECT value FROM json_each(?))");
}

} // namespace

SqliteArchive::SqliteArchive(Database& db)
    : m_db(db)
    , m_log(std::make_unique<FileActivityLog>(m_db))
{
}

SqliteArchive::SqliteArchive(std::unique_ptr<Database> db)
    : m_owned(std::move(db))
    , m_db(*m_owned)
    , m_log(std::make_unique<FileActivityLog>(m_db))
{
}

SqliteArchive::~SqliteArchive() = default;

QString SqliteArchive::location() const
{
    return QFileInfo(m_db.path()).absoluteFilePath();
}

QList<Dentist> SqliteArchive::dentists()
{
    return m_db.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY position"), {},
                      [](const SQLRow& row) {
                          return Dentist{row.integer(0), row.text(1), row.text(2), int(row.integer(3)), {}};
                      });
}

QString SqliteArchive::studioName()
{
    return Settings::studioName(m_db);
}

QList<Appointment> SqliteArchive::appointments(const QString& fromKey, const QString& toKey)
{
    return m_db.query(selectAppointments
                          + QStringLiteral(" FROM appointments WHERE day BETWEEN ? AND ? ORDER BY day, start_min"),
                      {fromKey, toKey}, AppointmentRows::fromRow);
}

std::optional<Appointment> SqliteArchive::appointment(qint64 id)
{
    const QList<Appointment> rows =
        m_db.query(selectAppointments + QStringLiteral(" FROM appointments WHERE id = ?"), {id}, AppointmentRows::fromRow);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QList<Appointment> SqliteArchive::dentistDay(const QString& dayKey, qint64 dentistId, qint64 exceptId)
{
    return m_db.query(selectAppointments
                          + QStringLiteral(" FROM appointments WHERE day = ? AND dentist_id = ? AND id <> ?"),
                      {dayKey, dentistId, exceptId}, AppointmentRows::fromRow);
}

std::optional<QList<Appointment>> SqliteArchive::rememberedSearch(const QString& pattern, int limit)
{
    const std::optional<QString> text = LikePattern::containedText(pattern);
    const std::optional<ChangeMark> mark = changeMark();
    if (!mark || !text || !m_lastSearch || m_lastSearch->mark != *mark || m_lastSearch->limit != limit)
        return std::nullopt;
    const QString folded = asciiLower(*text);
    if (!folded.contains(m_lastSearch->folded))
        return std::nullopt;
    try {
        QList<Appointment> found = narrowedSearch(m_lastSearch->results, pattern);
        m_lastSearch = LastSearch{*mark, folded, limit, found};
        return found;
    } catch (const DatabaseError&) {
        m_lastSearch.reset();
        throw;
    }
}

QList<Appointment> SqliteArchive::searchQuery(const QString& pattern, int limit)
{
    // Only a literal text's matches narrow down to those of a longer text that holds it.
    const std::optional<QString> text = LikePattern::containedText(pattern);
    const std::optional<ChangeMark> mark = changeMark();
    try {
        QList<Appointment> found = SqliteReader(m_db).search(pattern, limit);
        // Fewer rows than the limit are every match; a longer text holding this one can only match
        // some of them.
        if (mark && text && found.size() < limit)
            m_lastSearch = LastSearch{*mark, asciiLower(*text), limit, found};
        else
            m_lastSearch.reset();
        return found;
    } catch (const DatabaseError&) {
        m_lastSearch.reset();
        throw;
    }
}

// The matches of `pattern` among the complete matches of a shorter text, in their order: SQLite
// judges each of them again, so LIKE keeps its exact meaning.
QList<Appointment> SqliteArchive::narrowedSearch(const QList<Appointment>& candidates, const QString& pattern)
{
    if (candidates.isEmpty())
        return {};
    QList<qint64> ids;
    for (const Appointment& a : candidates)
        ids.append(a.id);
    SQLArgs args;
    const QString among = idIn(ids, args);
    for (int i = 0; i < 3; ++i)
        args.emplaceBack(pattern);
    const QList<qint64> kept =
        m_db.query(QStringLiteral("SELECT id FROM appointments WHERE ") + among
                       + QStringLiteral(" AND (patient LIKE ? ESCAPE '\\' OR phone LIKE ? ESCAPE '\\' OR treatment LIKE ? ESCAPE '\\')"),
                   args, [](const SQLRow& row) { return row.integer(0); });
    const QSet<qint64> matching(kept.begin(), kept.end());
    QList<Appointment> found;
    for (const Appointment& a : candidates)
        if (matching.contains(a.id))
            found.append(a);
    return found;
}

std::optional<SqliteArchive::ChangeMark> SqliteArchive::changeMark()
{
    // total_changes() counts every row this connection has written (triggers included); data_version
    // moves whenever another connection commits, the appointments' counter whenever anyone writes one,
    // and the log's last number with every logged change. All are read in one statement, so no commit
    // falls between them; the first two start afresh on a new connection, so its number is part of the mark.
    enum class Columns { all, counter, none };
    const auto read = [this](Columns columns) {
        static const QString statements[] = {
            QStringLiteral("SELECT total_changes(), data_version, (SELECT n FROM appointment_changes), "
                           "(SELECT max(n) FROM activity_log) FROM pragma_data_version"),
            QStringLiteral("SELECT total_changes(), data_version, (SELECT n FROM appointment_changes) "
                           "FROM pragma_data_version"),
            QStringLiteral("SELECT total_changes(), data_version FROM pragma_data_version"),
        };
        return m_db.query(statements[int(columns)], {}, [columns](const SQLRow& row) {
            Seen seen{0, row.integer(1), std::nullopt, std::nullopt};
            if (columns != Columns::none)
                seen.counter = row.integer(2);
            if (columns == Columns::all)
                seen.logHead = row.isNull(3) ? 0 : row.integer(3);
            return std::pair<qint64, Seen>(row.integer(0), seen);
        });
    };
    try {
        const quint64 connection = m_db.connectionNumber();
        QList<std::pair<qint64, Seen>> reads;
        for (const Columns columns : {Columns::all, Columns::counter, Columns::none}) {
            try {
                reads = read(columns);
                break;
            } catch (const DatabaseError&) {
                // a file without the counter (see Database::appointmentChanges) or without its log
                if (columns == Columns::none)
                    throw;
            }
        }
        if (!reads.isEmpty()) {
            auto [own, seen] = reads.first();
            seen.connection = connection;
            return ChangeMark{connection, own, appointmentsElsewhere(own, seen)};
        }
    } catch (const DatabaseError&) {
    }
    return std::nullopt;
}

qint64 SqliteArchive::appointmentsElsewhere(qint64 own, const Seen& now)
{
    // With no commit elsewhere since the last reading, a moved counter is this program's own writing.
    const bool sameConnection = m_seenElsewhere && m_seenElsewhere->connection == now.connection;
    if (sameConnection && m_seenElsewhere->dataVersion != now.dataVersion
        && !(now.counter && m_seenElsewhere->counter == now.counter) && !takenFromLog(own, *m_seenElsewhere, now))
        ++m_appointmentsElsewhere;
    m_seenElsewhere = now;
    return m_appointmentsElsewhere;
}

bool SqliteArchive::takenFromLog(qint64 own, const Seen& before, const Seen& now)
{
    if (!before.counter || !now.counter || !before.logHead || !now.logHead || *now.logHead < *before.logHead)
        return false;
    // Every program that writes this file logs each appointment it changes: one entry per row, and one
    // per cancellation or restore (which moves the row out of the agenda or back, or removes a cancelled
    // one for good). A count of changes these entries cannot account for is a writer that logs nothing.
    struct Logged {
        bool appointment = false;
        qint64 subject = 0;
    };
    QList<Logged> entries;
    try {
        entries = m_db.query(QStringLiteral("SELECT target = 'appointment', subject FROM activity_log WHERE n > ? "
                                            "AND n <= ? AND target IN ('appointment', 'cancellation')"),
                             {*before.logHead, *now.logHead},
                             [](const SQLRow& row) { return Logged{row.integer(0) != 0, row.integer(1)}; });
    } catch (const DatabaseError&) {
        return false;
    }
    const qint64 changes = *now.counter - *before.counter;
    const auto rows = std::count_if(entries.cbegin(), entries.cend(), [](const Logged& e) { return e.appointment; });
    if (entries.isEmpty() || changes < rows || changes > entries.size())
        return false;
    QList<qint64> ids;
    for (const Logged& e : std::as_const(entries))
        if (!ids.contains(e.subject))
            ids.append(e.subject);
    const bool taken = takeIntoIndex(IndexKeeper::Mark{qint64(now.connection), own, m_appointmentsElsewhere}, ids,
                                     [this](const QList<qint64>& some) { return appointmentsWithIds(some); });
    // The last search remembered was answered before these changes.
    if (taken)
        m_lastSearch.reset();
    return taken;
}

QStringList SqliteArchive::mostUsedTreatmentsQuery(int limit)
{
    // The running tally answers at once; should it fail, the appointments are counted. (Not beside the
    // index: its recounts write to the temporary database, which would look like a change of the file.)
    if (limit == TreatmentTally::limit && !indexKept())
        if (std::optional<QStringList> tallied = TreatmentTally::mostUsed(m_db))
            return *tallied;
    return SqliteReader(m_db).mostUsedTreatments(limit);
}

qint64 SqliteArchive::writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    const SQLArgs values{a.dentistId, a.day, a.startMinutes, a.durationMinutes,
                         a.patient,   a.phone, a.treatment,  a.notes};
    qint64 written = 0;
    // The checks and the write share one immediate transaction, so a second copy of the program on the
    // same data folder cannot change the row or book the same slot between them.
    ownWrite([&] { m_db.transaction([&] {
        if (!approve(check(a)))
            return;
        if (a.id != 0) {
            m_db.run(QStringLiteral("UPDATE appointments SET dentist_id = ?, day = ?, start_min = ?, "
                                    "duration_min = ?,\n    patient = ?, phone = ?, treatment = ?, notes = ?, "
                                    "updated_at = datetime('now', 'localtime')\nWHERE id = ?"),
                     values + SQLArgs{a.id});
            written = a.id;
        } else {
            m_db.run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
                                    "patient, phone, treatment, notes)\nVALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     values);
            written = m_db.lastInsertId();
        }
    }); }, storing(a, written));
    return written;
}

bool SqliteArchive::restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& approve)
{
    bool wrote = false;
    ownWrite([&] { m_db.transaction([&] {
        if (!approve(check(a)))
            return;
        m_db.run(QStringLiteral("INSERT INTO appointments (id, dentist_id, day, start_min, duration_min, patient, "
                                "phone, treatment, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {a.id, a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment,
                  a.notes});
        wrote = true;
    }); }, restoring(a, wrote));
    return wrote;
}

AgendaArchive::WriteCheck SqliteArchive::check(const Appointment& a)
{
    WriteCheck result;
    if (a.id != 0)
        result.stored = appointment(a.id);
    result.dentistDay = dentistDay(a.day, a.dentistId, a.id);
    result.practice = practice();
    return result;
}

AgendaArchive::Practice SqliteArchive::practice()
{
    return Practice{dentists(), allSettings()};
}

QList<KnownPatient> SqliteArchive::knownPatientsQuery(const QString& pattern, int limit)
{
    return SqliteReader(m_db).knownPatients(pattern, limit);
}

bool SqliteArchive::deleteAppointment(qint64 id,
                                      const std::function<bool(const std::optional<Appointment>& stored)>& approve)
{
    bool removed = false;
    // Judged and removed under one immediate transaction: nobody changes the row in between.
    ownWrite([&] { m_db.transaction([&] {
        const std::optional<Appointment> stored = appointment(id);
        if (!stored || !approve(stored))
            return;
        m_db.run(QStringLiteral("DELETE FROM appointments WHERE id = ?"), {id});
        removed = true;
    }); }, removing(id, removed));
    return removed;
}

void SqliteArchive::saveSettings(const QString& studioName, const QList<Dentist>& dentists)
{
    ownWrite([&] {
        m_db.transaction([&] {
            Settings::setStudioName(m_db, studioName);
            for (const Dentist& d : dentists)
                m_db.run(QStringLiteral("UPDATE dentists SET name = ?, color = ? WHERE id = ?"),
                         {d.name, d.colorHex, d.id});
        });
    });
}

QHash<QString, QString> SqliteArchive::allSettings()
{
    QHash<QString, QString> settings;
    (void)m_db.query(QStringLiteral("SELECT key, value FROM settings"), {}, [&](const SQLRow& row) {
        settings.insert(row.text(0), row.text(1));
        return 0;
    });
    return settings;
}

void SqliteArchive::writeSetting(const QString& key, const std::optional<QString>& value)
{
    ownWrite([&] {
        if (value)
            m_db.run(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) VALUES (?, ?)"), {key, *value});
        else
            m_db.run(QStringLiteral("DELETE FROM settings WHERE key = ?"), {key});
    });
}

qint64 SqliteArchive::addDentist(const QString& name, const QString& colorHex)
{
    qint64 id = 0;
    ownWrite([&] {
        m_db.transaction([&] {
            m_db.run(QStringLiteral("INSERT INTO dentists (name, color, position) "
                                    "SELECT ?, ?, COALESCE(MAX(position), -1) + 1 FROM dentists"),
                     {name, colorHex});
            id = m_db.lastInsertId();
        });
    });
    return id;
}

void SqliteArchive::reorderDentists(const QList<qint64>& ids)
{
    ownWrite([&] {
        m_db.transaction([&] {
            for (qsizetype i = 0; i < ids.size(); ++i)
                m_db.run(QStringLiteral("UPDATE dentists SET position = ? WHERE id = ?"), {qint64(i), ids[i]});
        });
    });
}

bool SqliteArchive::writeSettingIfApproved(const QString& key, const QString& value, qint64 dentistId,
                                           const QString& fromKey,
                                           const std::function<bool(const SettingCheck&)>& approve)
{
    bool wrote = false;
    // Read and written in one immediate transaction: no other program can book the dentist or change
    // the practice in between.
    ownWrite([&] { m_db.transaction([&] {
        SettingCheck check;
        check.remaining =
            m_db.query(selectAppointments
                           + QStringLiteral(" FROM appointments WHERE dentist_id = ? AND day >= ? ORDER BY day, start_min"),
                       {dentistId, fromKey}, AppointmentRows::fromRow);
        check.practice = practice();
        if (!approve(check))
            return;
        m_db.run(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) VALUES (?, ?)"), {key, value});
        wrote = true;
    }); });
    return wrote;
}

bool SqliteArchive::changedElsewhere()
{
    // data_version moves only with other connections' commits; a new connection starts it afresh.
    std::pair<quint64, qint64> version;
    try {
        version = {m_db.connectionNumber(),
                   m_db.query(QStringLiteral("PRAGMA data_version"), {}, [](const SQLRow& row) {
                           return row.integer(0);
                       }).value(0)};
    } catch (const DatabaseError&) {
        return false;
    }
    const bool changed = m_seenVersion && *m_seenVersion != version;
    m_seenVersion = version;
    // The kept index is built again now, not at the next search.
    if (changed)
        refreshIndex();
    return changed;
}

bool SqliteArchive::replaced() const
{
    return m_db.replaced();
}

QString SqliteArchive::backupNow()
{
    QString path;
    ownWrite([&] { path = Backup::now(m_db); });
    return path;
}

IndexKeeper::Load SqliteArchive::indexLoader() const
{
    return [path = m_db.path()](const std::atomic<bool>& cancel) { return SqliteIndexSource::load(path, cancel); };
}

std::optional<IndexKeeper::Mark> SqliteArchive::indexMark()
{
    const std::optional<ChangeMark> mark = changeMark();
    if (!mark)
        return std::nullopt;
    return IndexKeeper::Mark{qint64(mark->connection), mark->ownChanges, mark->appointmentsElsewhere};
}

AgendaArchive::ReaderMaker SqliteArchive::readerMaker() const
{
    // Another connection to a database in memory would see a database of its own.
    const QString path = m_db.path();
    if (path.isEmpty() || path == u":memory:" || path.startsWith(u"file:"))
        return {};
    return [path]() -> std::unique_ptr<AgendaReader> {
        try {
            return std::make_unique<SqliteReader>(Database::openReader(path));
        } catch (const DatabaseError&) {
            return nullptr;
        }
    };
}

QList<Appointment> SqliteArchive::appointmentsWithIds(const QList<qint64>& ids)
{
    SQLArgs args;
    const QString among = idIn(ids, args);
    return m_db.query(selectAppointments + QStringLiteral(" FROM appointments WHERE ") + among, args,
                      AppointmentRows::fromRow);
}

void SqliteArchive::setActor(const Actor& actor)
{
    m_log->setActor(actor);
}

void SqliteArchive::setAction(const QString& action)
{
    m_log->setAction(action);
}

void SqliteArchive::logEvent(const QString& action, const QString& target, const QString& details,
                             const QString& personal)
{
    ownWrite([&] { m_log->logEvent(action, target, details, personal); });
}

void SqliteArchive::forEachLogEntry(const std::function<bool(const ActivityEntry&)>& visit)
{
    FileActivityLog::forEach(m_db, visit);
}

QList<ActivityEntry> SqliteArchive::logOf(const QString& target, qint64 subject)
{
    return FileActivityLog::of(m_db, target, subject);
}

QList<ActivityEntry> SqliteArchive::logPage(const LogFilter& filter, int limit)
{
    return FileActivityLog::page(m_db, filter, limit);
}

AgendaArchive::LogReaderMaker SqliteArchive::logReaderMaker() const
{
    const QString path = m_db.path();
    if (path.isEmpty() || path == u":memory:" || path.startsWith(u"file:"))
        return {};
    return [path]() -> std::unique_ptr<AgendaArchive> {
        try {
            return std::make_unique<SqliteArchive>(Database::openReader(path));
        } catch (const DatabaseError&) {
            return nullptr;
        }
    };
}
