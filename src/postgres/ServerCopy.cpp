#include "ServerCopy.h"

#include "Appointment.h"
#include "Cal.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "PgConnection.h"
#include "Schedule.h"
#include "ServerSchema.h"

#include <QFileInfo>

#include <limits>

namespace {

using Counts = ServerCopy::Counts;

// Appointments per statement: 11 parameters each stays far below the server's limit of 65,535, and the
// file is read in pieces of the same size, so memory stays small also for years of agenda.
constexpr int rowsPerStatement = 500;
constexpr int appointmentFields = 11;

const QString appointmentColumns = QStringLiteral(
    "id, dentist_id, day, start_min, duration_min, patient, phone, treatment, notes, created_at, updated_at");

QString number(qint64 n)
{
    return Cal::locale().toString(n);
}

QString counted(qint64 n, const char* one, const char* many)
{
    return number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

// Ends the file's read transaction however the copy ends.
class FileReading {
public:
    explicit FileReading(Database& file) : m_file(file) { m_file.execute(QStringLiteral("BEGIN")); }
    ~FileReading()
    {
        try {
            m_file.execute(QStringLiteral("ROLLBACK"));
        } catch (const DatabaseError&) {
        }
    }
    FileReading(const FileReading&) = delete;
    FileReading& operator=(const FileReading&) = delete;

private:
    Database& m_file;
};

struct FileContent {
    Counts counts;
    // The highest appointment id the file ever gave: AUTOINCREMENT keeps it also after a deletion.
    qint64 lastId = 0;
};

FileContent contentOf(Database& file)
{
    return file
        .query(QStringLiteral("SELECT (SELECT count(*) FROM dentists), (SELECT count(*) FROM settings), "
                              "(SELECT count(*) FROM appointments), max((SELECT coalesce(max(id), 0) FROM "
                              "appointments), (SELECT coalesce(max(seq), 0) FROM sqlite_sequence WHERE name = "
                              "'appointments'))"),
               {}, [](const SQLRow& r) { return FileContent{{r.integer(0), r.integer(1), r.integer(2)}, r.integer(3)}; })
        .value(0);
}

// A file that was shared where file locking failed may hold two appointments of a dentist over the
// same minutes, which the server refuses: the pair is named so that it can be put right first.
void refuseOverlaps(Database& file)
{
    struct Pair {
        QString dentist;
        Appointment first;
        Appointment second;
    };
    const QList<Pair> pairs = file.query(
        QStringLiteral("SELECT coalesce(d.name, ''), a.day, a.start_min, a.duration_min, a.patient, b.start_min, "
                       "b.duration_min, b.patient FROM appointments a JOIN appointments b ON a.dentist_id = "
                       "b.dentist_id AND a.day = b.day AND a.id < b.id AND a.start_min < b.start_min + "
                       "b.duration_min AND b.start_min < a.start_min + a.duration_min LEFT JOIN dentists d ON d.id = "
                       "a.dentist_id LIMIT 1"),
        {}, [](const SQLRow& r) {
            return Pair{r.text(0),
                        Appointment{0, 0, r.text(1), int(r.integer(2)), int(r.integer(3)), r.text(4), {}, {}, {}},
                        Appointment{0, 0, r.text(1), int(r.integer(5)), int(r.integer(6)), r.text(7), {}, {}, {}}};
        });
    if (pairs.isEmpty())
        return;
    const Pair& p = pairs.first();
    throw DatabaseError(QStringLiteral("nel file due appuntamenti di ") + p.dentist + QStringLiteral(" si sovrappongono (")
                        + Cal::format(p.first.date(), QStringLiteral("EEEEdMMMMy")) + u' ' + p.first.timeRange()
                        + QStringLiteral(" ") + p.first.patient + QStringLiteral(", ") + p.second.timeRange()
                        + QStringLiteral(" ") + p.second.patient
                        + QStringLiteral(") e il server non li accetta: sposta o elimina uno dei due con Calvora su "
                                         "questo computer, poi ripeti la copia"));
}

// The server cannot keep a NUL character; the appointment that holds one is named.
void refuseNul(const SQLArgs& row)
{
    for (const SQLValue& value : row) {
        if (const QString* text = value.text(); text && text->contains(QChar(0))) {
            QString patient = *row[5].text();
            patient.remove(QChar(0));
            throw DatabaseError(QStringLiteral("l'appuntamento di ") + patient + QStringLiteral(" del ") + *row[2].text()
                                + QStringLiteral(" alle ") + Schedule::clockText(int(*row[3].integer()))
                                + QStringLiteral(" contiene un carattere nullo (NUL), che il server non può conservare: "
                                                 "correggilo con Calvora su questo computer, poi ripeti la copia"));
        }
    }
}

QString insertStatement(qsizetype rows)
{
    QString sql = QStringLiteral("INSERT INTO appointments (") + appointmentColumns + QStringLiteral(") VALUES ");
    for (qsizetype r = 0; r < rows; ++r) {
        sql += r == 0 ? QStringLiteral("(") : QStringLiteral(", (");
        for (int c = 1; c <= appointmentFields; ++c)
            sql += (c == 1 ? QStringLiteral("$") : QStringLiteral(", $")) + QString::number(r * appointmentFields + c);
        sql += u')';
    }
    return sql;
}

void copyDentistsAndSettings(Database& file, PgConnection& server)
{
    // The tables made with the agenda hold the default dentists and name; the file's replace them.
    server.execute(QStringLiteral("DELETE FROM settings; DELETE FROM dentists"));
    const QList<SQLArgs> dentists =
        file.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY id"), {},
                   [](const SQLRow& r) { return SQLArgs{r.integer(0), r.text(1), r.text(2), r.integer(3)}; });
    for (const SQLArgs& d : dentists)
        server.query(QStringLiteral("INSERT INTO dentists (id, name, color, position) VALUES ($1, $2, $3, $4)"), d);
    const QList<SQLArgs> settings = file.query(QStringLiteral("SELECT key, value FROM settings ORDER BY key"), {},
                                               [](const SQLRow& r) { return SQLArgs{r.text(0), r.text(1)}; });
    for (const SQLArgs& s : settings)
        server.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2)"), s);
}

void copyAppointments(Database& file, PgConnection& server)
{
    const QString full = insertStatement(rowsPerStatement);
    const QString read = QStringLiteral("SELECT ") + appointmentColumns
        + QStringLiteral(" FROM appointments WHERE id > ? ORDER BY id LIMIT ") + QString::number(rowsPerStatement);
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        const QList<SQLArgs> rows = file.query(read, {after}, [](const SQLRow& r) {
            return SQLArgs{r.integer(0), r.integer(1), r.text(2), r.integer(3), r.integer(4), r.text(5),
                           r.text(6),    r.text(7),    r.text(8), r.text(9),    r.text(10)};
        });
        if (rows.isEmpty())
            return;
        SQLArgs args;
        args.reserve(rows.size() * appointmentFields);
        for (const SQLArgs& row : rows) {
            refuseNul(row);
            args += row;
        }
        server.query(rows.size() == rowsPerStatement ? full : insertStatement(rows.size()), args);
        after = *rows.last()[0].integer();
    }
}

// The server's next new appointment gets an id after every id the file gave and every id the server
// itself gave before (ids of deleted appointments are never used again).
void continueIdsAfter(PgConnection& server, qint64 lastFileId)
{
    const QString sequence = QStringLiteral("pg_get_serial_sequence('appointments', 'id')");
    const qint64 next = server.query(QStringLiteral("SELECT nextval(") + sequence + u')').integer(0, 0);
    const qint64 last = std::max(lastFileId, next - 1);
    if (last > 0)
        server.query(QStringLiteral("SELECT setval(") + sequence + QStringLiteral(", $1, true)"), {last});
    else
        server.query(QStringLiteral("SELECT setval(") + sequence + QStringLiteral(", 1, false)"));
}

Counts countsOn(PgConnection& server)
{
    const PgResult r = server.query(QStringLiteral("SELECT (SELECT count(*) FROM dentists), (SELECT count(*) FROM "
                                                   "settings), (SELECT count(*) FROM appointments)"));
    return Counts{r.integer(0, 0), r.integer(0, 1), r.integer(0, 2)};
}

// Returns what the server counts once the copy is written, which is what the file holds.
Counts copyInTransaction(Database& file, const FileContent& content, PgConnection& server)
{
    ServerSchema::prepareInTransaction(server);
    // Tables a newer program upgraded may mean other things: rows of this format must not go in.
    if (const ServerSchema::Inspection found = ServerSchema::inspect(server); found.version > ServerSchema::currentVersion)
        throw DatabaseError::newer(found.version, ServerSchema::currentVersion);
    // Nobody writes to the agenda until the commit (reading goes on), so the check below stays true.
    server.execute(QStringLiteral("LOCK TABLE dentists, settings, appointments IN EXCLUSIVE MODE"));
    const qint64 present = server.query(QStringLiteral("SELECT count(*) FROM appointments")).integer(0, 0);
    if (present > 0)
        throw DatabaseError(QStringLiteral("il database del server contiene già ")
                            + counted(present, "appuntamento", "appuntamenti")
                            + QStringLiteral(": la copia si fa solo in un database vuoto (o appena creato da Calvora), "
                                             "per non mescolare due agende"));
    copyDentistsAndSettings(file, server);
    copyAppointments(file, server);
    continueIdsAfter(server, content.lastId);
    const Counts written = countsOn(server);
    if (written != content.counts)
        throw DatabaseError(QStringLiteral("dopo la copia il server conta ") + ServerCopy::countsText(written)
                            + QStringLiteral(" invece di ") + ServerCopy::countsText(content.counts)
                            + QStringLiteral(" come il file: la copia è stata annullata"));
    return written;
}

} // namespace

namespace ServerCopy {

QString countsText(const Counts& c)
{
    return counted(c.dentists, "dentista", "dentisti") + QStringLiteral(", ")
        + counted(c.settings, "impostazione", "impostazioni") + QStringLiteral(" e ")
        + counted(c.appointments, "appuntamento", "appuntamenti");
}

QString lostConfirmationText()
{
    return QStringLiteral("la conferma del server è andata persa, quindi la copia potrebbe essere arrivata o no: "
                          "ripetila quando il server torna raggiungibile (se era arrivata, il server la rifiuterà "
                          "perché contiene già gli appuntamenti)");
}

Counts copyFile(const QString& path, const ConnectionLine& line)
{
    std::unique_ptr<PgConnection> server;
    try {
        server = PgConnection::open(line);
    } catch (const DatabaseError& error) {
        throw DatabaseError(QStringLiteral("connessione al server non riuscita: ") + error.message(), error.kind());
    }
    return copyFile(path, *server);
}

Counts copyFile(const QString& path, PgConnection& server)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw DatabaseError(QStringLiteral("non c'è un archivio da copiare: il file ") + path + QStringLiteral(" non esiste"));
    if (info.size() == 0)
        throw DatabaseError(QStringLiteral("non c'è un archivio da copiare: il file ") + path + QStringLiteral(" è vuoto"));
    std::unique_ptr<Database> file;
    try {
        file = std::make_unique<Database>(path);
    } catch (const DatabaseError& error) {
        throw DatabaseError(QStringLiteral("impossibile leggere il file ") + path + QStringLiteral(" (") + error.message()
                            + u')');
    }
    // One consistent reading of the file, whatever another program writes to it meanwhile.
    const FileReading reading(*file);
    const FileContent content = contentOf(*file);
    refuseOverlaps(*file);

    Counts written;
    bool copied = false;
    try {
        server.transaction([&] {
            written = copyInTransaction(*file, content, server);
            copied = true;
        });
    } catch (const DatabaseError&) {
        if (copied && server.broken())
            throw DatabaseError(lostConfirmationText(), DatabaseError::Kind::Unavailable);
        throw;
    }
    // Fresh statistics for the planner, which would otherwise wait for the server's own schedule. A role
    // that does not own the tables only gets a warning.
    try {
        server.execute(QStringLiteral("ANALYZE dentists, settings, appointments"));
    } catch (const DatabaseError&) {
    }
    return written;
}

} // namespace ServerCopy
