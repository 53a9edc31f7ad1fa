#include "SqliteArchive.h"

#include "LikePattern.h"

#include "AppointmentRows.h"
#include "Backup.h"
#include "Database.h"
#include "Settings.h"
#include "SqliteIndexSource.h"
#include "SqliteReader.h"
#include "TreatmentTally.h"

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

} // namespace

SqliteArchive::SqliteArchive(Database& db)
    : m_db(db)
{
}

SqliteArchive::SqliteArchive(std::unique_ptr<Database> db)
    : m_owned(std::move(db))
    , m_db(*m_owned)
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
    const QList<Appointment> rows = m_db.query(
        QStringLiteral("SELECT id, dentist_id, day, start_min, duration_min, patient, phone, treatment, notes FROM "
                       "appointments WHERE id = ?"),
        {id}, AppointmentRows::fromRow);
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

std::optional<QList<Appointment>> SqliteArchive::searchAtOnce(const QString& pattern, int limit)
{
    return searchFromMemory(pattern, limit, LikePattern::containedText(pattern), changeMark());
}

std::optional<QList<Appointment>> SqliteArchive::searchFromMemory(const QString& pattern, int limit,
                                                                  const std::optional<QString>& text,
                                                                  const std::optional<ChangeMark>& mark)
{
    if (limit == SqliteIndexSource::checkedSearchLimit)
        if (SearchIndex* kept = index())
            if (const std::optional<QByteArray> folded = SearchIndex::literal(pattern))
                if (std::optional<QList<Appointment>> found = appointmentsById(kept->search(*folded, limit)))
                    return found;
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

QList<Appointment> SqliteArchive::search(const QString& pattern, int limit)
{
    // Only a literal text's matches narrow down to those of a longer text that holds it.
    const std::optional<QString> text = LikePattern::containedText(pattern);
    const std::optional<ChangeMark> mark = changeMark();
    if (std::optional<QList<Appointment>> found = searchFromMemory(pattern, limit, text, mark))
        return *found;
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
    QString marks;
    SQLArgs args;
    for (const Appointment& a : candidates) {
        marks += marks.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
        args.emplaceBack(a.id);
    }
    for (int i = 0; i < 3; ++i)
        args.emplaceBack(pattern);
    const QList<qint64> kept =
        m_db.query(QStringLiteral("SELECT id FROM appointments WHERE id IN (") + marks
                       + QStringLiteral(") AND (patient LIKE ? ESCAPE '\\' OR phone LIKE ? ESCAPE '\\' OR treatment LIKE ? ESCAPE '\\')"),
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
    // moves whenever another connection commits. Together they change with every write to the file;
    // both start afresh on a new connection, so its number is part of the mark.
    try {
        const quint64 connection = m_db.connectionNumber();
        const QList<ChangeMark> marks = m_db.query(
            QStringLiteral("SELECT total_changes(), data_version FROM pragma_data_version"), {},
            [connection](const SQLRow& row) { return ChangeMark{connection, row.integer(0), row.integer(1)}; });
        if (!marks.isEmpty())
            return marks.first();
    } catch (const DatabaseError&) {
    }
    return std::nullopt;
}

std::optional<QStringList> SqliteArchive::mostUsedTreatmentsAtOnce(int limit)
{
    if (SearchIndex* kept = index())
        return kept->mostUsedTreatments(limit);
    return std::nullopt;
}

QStringList SqliteArchive::mostUsedTreatments(int limit)
{
    if (std::optional<QStringList> kept = mostUsedTreatmentsAtOnce(limit))
        return *kept;
    // The running tally answers at once; should it fail, the appointments are counted. (Not beside the
    // index: its recounts write to the temporary database, which would look like a change of the file.)
    if (limit == TreatmentTally::limit && !m_index)
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
    }); }, [&](SearchIndex& index) {
        if (written == 0)
            return;
        Appointment stored = a;
        stored.id = written;
        index.put(stored);
    });
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
    }); }, [&](SearchIndex& index) {
        if (wrote)
            index.put(a);
    });
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

std::optional<QList<KnownPatient>> SqliteArchive::knownPatientsAtOnce(const QString& pattern, int limit)
{
    if (SearchIndex* kept = index())
        if (const std::optional<QByteArray> folded = SearchIndex::literal(pattern))
            return kept->knownPatients(*folded, limit);
    return std::nullopt;
}

QList<KnownPatient> SqliteArchive::knownPatients(const QString& pattern, int limit)
{
    if (std::optional<QList<KnownPatient>> kept = knownPatientsAtOnce(pattern, limit))
        return *kept;
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
    }); }, [&](SearchIndex& index) {
        if (removed)
            index.remove(id);
    });
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
    if (changed && m_index)
        (void)m_index->current();
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

bool SqliteArchive::keepSearchIndex(bool wait)
{
    if (!m_index) {
        const QString path = m_db.path();
        m_index = std::make_unique<IndexKeeper>(
            [path](const std::atomic<bool>& cancel) { return SqliteIndexSource::load(path, cancel); },
            [this]() -> std::optional<IndexKeeper::Mark> {
                const std::optional<ChangeMark> mark = changeMark();
                if (!mark)
                    return std::nullopt;
                return IndexKeeper::Mark{qint64(mark->connection), mark->ownChanges, mark->dataVersion};
            },
            [this] { return SqliteIndexSource::plansAgree(m_db); });
    }
    return m_index->start(wait);
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

SearchIndex* SqliteArchive::index()
{
    return m_index ? m_index->current() : nullptr;
}

std::optional<QList<Appointment>> SqliteArchive::appointmentsById(const QList<qint64>& ids)
{
    if (ids.isEmpty())
        return QList<Appointment>();
    QString marks;
    SQLArgs args;
    for (const qint64 id : ids) {
        marks += marks.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
        args.emplaceBack(id);
    }
    QHash<qint64, Appointment> byId;
    try {
        (void)m_db.query(selectAppointments + QStringLiteral(" FROM appointments WHERE id IN (") + marks + u')', args,
                         [&byId](const SQLRow& row) {
                             const Appointment a = AppointmentRows::fromRow(row);
                             byId.insert(a.id, a);
                             return 0;
                         });
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    QList<Appointment> found;
    for (const qint64 id : ids) {
        const auto at = byId.constFind(id);
        if (at == byId.constEnd())
            return std::nullopt;
        found.append(*at);
    }
    return found;
}

void SqliteArchive::ownWrite(const std::function<void()>& write, const std::function<void(SearchIndex&)>& change)
{
    IndexKeeper::write(m_index.get(), write, change);
}
