#include "ServerCopy.h"

#include "AgendaSource.h"
#include "Appointment.h"
#include "AppointmentColumns.h"
#include "Cal.h"
#include "ConnectionLine.h"
#include "PgConnection.h"
#include "RecallRows.h"
#include "Schedule.h"
#include "ServerSchema.h"

#include <limits>
#include <optional>

namespace {

using Counts = ServerCopy::Counts;

// Appointments per statement: 11 parameters each stays far below the server's limit of 65,535, and the
// file is read in pieces of the same size, so memory stays small also for years of agenda.
constexpr int rowsPerStatement = 500;
constexpr int appointmentFields = 11;

QString number(qint64 n)
{
    return Cal::locale().toString(n);
}

QString counted(qint64 n, const char* one, const char* many)
{
    return number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

// A file that was shared where file locking failed may hold two appointments of a dentist over the
// same minutes, which the server refuses: the pair is named so that it can be put right first.
void refuseOverlaps(AgendaSource& file)
{
    const std::optional<AgendaSource::Overlap> overlap = file.firstOverlap();
    if (!overlap)
        return;
    throw DatabaseError(QStringLiteral("nel file due appuntamenti di ") + overlap->dentist + QStringLiteral(" si sovrappongono (")
                        + Cal::format(overlap->first.date(), QStringLiteral("EEEEdMMMMy")) + u' ' + overlap->first.timeRange()
                        + QStringLiteral(" ") + overlap->first.patient + QStringLiteral(", ") + overlap->second.timeRange()
                        + QStringLiteral(" ") + overlap->second.patient
                        + QStringLiteral(") e il server non li accetta: sposta o elimina uno dei due con Calvora su "
                                         "questo computer, poi ripeti la copia"));
}

// The server cannot keep a NUL character; the appointment that holds one is named.
void refuseNul(const StoredAppointment& row)
{
    const Appointment& a = row.appointment;
    for (const QString* text : {&a.day, &a.patient, &a.phone, &a.treatment, &a.notes, &row.createdAt, &row.updatedAt}) {
        if (text->contains(QChar(0))) {
            QString patient = a.patient;
            patient.remove(QChar(0));
            throw DatabaseError(QStringLiteral("l'appuntamento di ") + patient + QStringLiteral(" del ") + a.day
                                + QStringLiteral(" alle ") + Schedule::clockText(a.startMinutes)
                                + QStringLiteral(" contiene un carattere nullo (NUL), che il server non può conservare: "
                                                 "correggilo con Calvora su questo computer, poi ripeti la copia"));
        }
    }
}

QString insertStatement(qsizetype rows)
{
    QString sql = QStringLiteral("INSERT INTO appointments (") + AppointmentColumns::stored + QStringLiteral(") VALUES ");
    for (qsizetype r = 0; r < rows; ++r) {
        sql += r == 0 ? QStringLiteral("(") : QStringLiteral(", (");
        for (int c = 1; c <= appointmentFields; ++c)
            sql += (c == 1 ? QStringLiteral("$") : QStringLiteral(", $")) + QString::number(r * appointmentFields + c);
        sql += u')';
    }
    return sql;
}

void copyDentistsAndSettings(AgendaSource& file, PgConnection& server)
{
    // The tables made with the agenda hold the default dentists and name; the file's replace them.
    server.execute(QStringLiteral("DELETE FROM settings; DELETE FROM dentists"));
    for (const Dentist& d : file.dentists())
        server.query(QStringLiteral("INSERT INTO dentists (id, name, color, position) VALUES ($1, $2, $3, $4)"),
                     {d.id, d.name, d.colorHex, qint64(d.position)});
    for (const auto& [key, value] : file.settings())
        server.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2)"), {key, value});
}

void copyAppointments(AgendaSource& file, PgConnection& server)
{
    const QString full = insertStatement(rowsPerStatement);
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        const QList<StoredAppointment> rows = file.appointmentsAfter(after, rowsPerStatement);
        if (rows.isEmpty())
            return;
        SQLArgs args;
        args.reserve(rows.size() * appointmentFields);
        for (const StoredAppointment& row : rows) {
            refuseNul(row);
            const Appointment& a = row.appointment;
            args += SQLArgs{a.id,      a.dentistId, a.day,   a.startMinutes, a.durationMinutes, a.patient,
                            a.phone,   a.treatment, a.notes, row.createdAt,  row.updatedAt};
        }
        server.query(rows.size() == rowsPerStatement ? full : insertStatement(rows.size()), args);
        after = rows.last().appointment.id;
    }
}

// Rows of `fields` values each, in statements of at most rowsPerStatement rows.
void insertRows(PgConnection& server, const QString& into, int fields, const QList<SQLArgs>& rows)
{
    for (qsizetype first = 0; first < rows.size(); first += rowsPerStatement) {
        const qsizetype count = std::min<qsizetype>(rowsPerStatement, rows.size() - first);
        QString sql = QStringLiteral("INSERT INTO ") + into + QStringLiteral(" VALUES ");
        SQLArgs args;
        for (qsizetype r = 0; r < count; ++r) {
            sql += r == 0 ? QStringLiteral("(") : QStringLiteral(", (");
            for (int c = 1; c <= fields; ++c)
                sql += (c == 1 ? QStringLiteral("$") : QStringLiteral(", $")) + QString::number(r * fields + c);
            sql += u')';
            args += rows[first + r];
        }
        server.query(sql, args);
    }
}

// The recalls keep their ids; the server's next recall is numbered after them and after every id the
// server gave before (an identity column given ids does not move by itself).
void copyRecalls(const QList<Recall>& recalls, PgConnection& server)
{
    insertRows(server, QStringLiteral("recalls (") + RecallRows::copied + u')', RecallRows::copiedCount,
               RecallRows::copiedArgs(recalls));
    server.query(QStringLiteral("SELECT setval(s, greatest(nextval(s) - 1, (SELECT coalesce(max(id), 0) FROM recalls)) "
                                "+ 1, false) FROM pg_get_serial_sequence('recalls', 'id') AS s"));
}

// The statuses and cancelled appointments go with the agenda, ids and all; the waiting list too, its
// entries numbered by the server; the recalls with their ids (and their appointments' ids).
void copyDayRecords(AgendaSource& file, PgConnection& server)
{
    const DayRecords records = file.dayRecords();
    QList<SQLArgs> statuses;
    for (const DayRecords::Status& s : records.statuses)
        statuses.append({s.appointmentId, s.status, s.changedAt, s.callAttempts});
    insertRows(server, QStringLiteral("appointment_status (") + DayRecords::statusColumns + u')', 4, statuses);
    QList<SQLArgs> cancelled;
    for (const DayRecords::Cancelled& c : records.cancelled) {
        refuseNul(c.row);
        const Appointment& a = c.row.appointment;
        cancelled.append({a.id, a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment,
                          a.notes, c.row.createdAt, c.row.updatedAt, c.cancelledAt, c.cancelledBy, c.reason, c.late,
                          c.statusBefore});
    }
    insertRows(server,
               QStringLiteral("cancelled_appointments (") + AppointmentColumns::stored + QStringLiteral(", ")
                   + DayRecords::cancelledExtraColumns + u')',
               appointmentFields + 5, cancelled);
    ServerCopy::copyWaitingList(records.waiting, server);
    copyRecalls(records.recalls, server);
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

// One entry for the whole copy, before its rows: while it heads the log in this transaction, the server's
// triggers leave the copied rows out (they were booked on the file, not on the server).
void logImport(PgConnection& server, const AgendaSource::Content& content)
{
    server.query(QStringLiteral("SELECT set_config('calvora.program', 'on', true), "
                                "set_config('calvora.action', 'import', true)"));
    server.query(QStringLiteral("INSERT INTO activity_log (action, target, computer, account, operator, details, "
                                "personal) VALUES ('import', 'agenda', '', '', '', json_build_object('dentists', "
                                "$1::bigint, 'settings', $2::bigint, 'appointments', $3::bigint)::text, '')"),
                 {content.dentists, content.settings, content.appointments});
}

// Brings the tables to this program's format and keeps every writer out of the agenda until the commit
// (reading goes on), so that what is checked below stays true.
void prepareAndLock(PgConnection& server)
{
    ServerSchema::prepareInTransaction(server);
    // Tables a newer program upgraded may mean other things: rows of this format must not go in.
    if (const ServerSchema::Inspection found = ServerSchema::inspect(server); found.version > ServerSchema::currentVersion)
        throw DatabaseError::newer(found.version, ServerSchema::currentVersion);
    server.execute(QStringLiteral("LOCK TABLE dentists, settings, appointments, appointment_status, "
                                  "cancelled_appointments, waiting_list, recalls IN EXCLUSIVE MODE"));
}

// Returns what the server counts once the copy is written, which is what the file holds.
Counts copyInTransaction(AgendaSource& file, const AgendaSource::Content& content, PgConnection& server)
{
    prepareAndLock(server);
    const qint64 present = server.query(QStringLiteral("SELECT (SELECT count(*) FROM appointments) + (SELECT count(*) "
                                                       "FROM cancelled_appointments)")).integer(0, 0);
    if (present > 0)
        throw DatabaseError(QStringLiteral("il database del server contiene già ")
                            + counted(present, "appuntamento", "appuntamenti")
                            + QStringLiteral(": la copia si fa solo in un database vuoto (o appena creato da Calvora), "
                                             "per non mescolare due agende"));
    logImport(server, content);
    copyDentistsAndSettings(file, server);
    copyAppointments(file, server);
    copyDayRecords(file, server);
    continueIdsAfter(server, content.lastAppointmentId);
    const Counts written = countsOn(server);
    const Counts expected{content.dentists, content.settings, content.appointments};
    if (written != expected)
        throw DatabaseError(QStringLiteral("dopo la copia il server conta ") + ServerCopy::countsText(written)
                            + QStringLiteral(" invece di ") + ServerCopy::countsText(expected)
                            + QStringLiteral(" come il file: la copia è stata annullata"));
    return written;
}

// The kept settings' values on the server now, absent for those it does not hold.
QList<std::pair<QString, std::optional<QString>>> keptSettings(PgConnection& server, const QStringList& keys)
{
    QList<std::pair<QString, std::optional<QString>>> kept;
    for (const QString& key : keys) {
        const PgResult r = server.query(QStringLiteral("SELECT value FROM settings WHERE key = $1"), {key});
        kept.append({key, r.rows() > 0 ? std::optional<QString>(r.text(0, 0)) : std::nullopt});
    }
    return kept;
}

void putBack(PgConnection& server, const QList<std::pair<QString, std::optional<QString>>>& kept)
{
    for (const auto& [key, value] : kept) {
        if (value)
            server.query(QStringLiteral("INSERT INTO settings (key, value) VALUES ($1, $2) ON CONFLICT (key) DO UPDATE "
                                        "SET value = EXCLUDED.value"),
                         {key, *value});
        else
            server.query(QStringLiteral("DELETE FROM settings WHERE key = $1"), {key});
    }
}

// An entry in this transaction's context (who works where): 'import' first, so that the rows written
// after it leave no entries of their own; 'restore' last, naming what came back.
void logRestore(PgConnection& server, const QString& action, const ServerCopy::Replacement& r, const Counts& counts)
{
    server.query(QStringLiteral("INSERT INTO activity_log (action, target, computer, account, operator, details, personal) "
                                "VALUES ($1, 'agenda', coalesce(current_setting('calvora.computer', true), ''), "
                                "coalesce(current_setting('calvora.account', true), ''), "
                                "coalesce(current_setting('calvora.operator', true), ''), json_build_object('file', $2::text, "
                                "'before', $3::text, 'dentists', $4::bigint, 'settings', $5::bigint, 'appointments', "
                                "$6::bigint)::text, '')"),
                 {action, r.backupName, r.before, counts.dentists, counts.settings, counts.appointments});
}

} // namespace

namespace ServerCopy {

Counts replace(AgendaSource& backup, PgConnection& server, const Replacement& replacement)
{
    const AgendaSource::Content content = backup.content();
    prepareAndLock(server);
    const auto kept = keptSettings(server, replacement.kept);
    qint64 settings = content.settings;
    for (const auto& [key, value] : backup.settings())
        settings -= replacement.kept.contains(key) ? 1 : 0;
    for (const auto& [key, value] : kept)
        settings += value ? 1 : 0;
    const Counts expected{content.dentists, settings, content.appointments};

    server.query(QStringLiteral("SELECT set_config('calvora.action', 'import', true)"));
    logRestore(server, QStringLiteral("import"), replacement, expected);
    server.execute(QStringLiteral("DELETE FROM appointment_status; DELETE FROM cancelled_appointments; "
                                  "DELETE FROM waiting_list; DELETE FROM recalls; DELETE FROM appointments"));
    copyDentistsAndSettings(backup, server);
    putBack(server, kept);
    copyAppointments(backup, server);
    copyDayRecords(backup, server);
    continueIdsAfter(server, content.lastAppointmentId);
    const Counts written = countsOn(server);
    if (written != expected)
        throw DatabaseError(QStringLiteral("dopo il ripristino il server conta ") + countsText(written)
                            + QStringLiteral(" invece di ") + countsText(expected)
                            + QStringLiteral(" come il backup: il ripristino è stato annullato"));
    server.query(QStringLiteral("SELECT set_config('calvora.action', 'restore', true)"));
    logRestore(server, QStringLiteral("restore"), replacement, written);
    return written;
}

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

Counts copy(const OpenSource& open, const ConnectionLine& line)
{
    std::unique_ptr<PgConnection> server;
    try {
        server = PgConnection::open(line);
    } catch (const DatabaseError& error) {
        throw DatabaseError(QStringLiteral("connessione al server non riuscita: ") + error.message(), error.kind());
    }
    return copy(*open(), *server);
}

Counts copy(AgendaSource& file, PgConnection& server)
{
    const AgendaSource::Content content = file.content();
    refuseOverlaps(file);

    Counts written;
    bool copied = false;
    try {
        server.transaction([&] {
            written = copyInTransaction(file, content, server);
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
