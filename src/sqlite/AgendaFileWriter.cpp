#include "AgendaFileWriter.h"

#include "AppointmentColumns.h"
#include "RecallRows.h"
#include "WaitingRows.h"

namespace {

// Rows per INSERT: 11 values each stays far below SQLite's limit of bound parameters.
constexpr int rowsPerStatement = 400;

} // namespace

AgendaFileWriter::AgendaFileWriter(const QString& path)
    : m_db(path)
{
    // The new file comes with the default dentists and settings; the copied ones replace them.
    m_db.execute(QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
    m_db.execute(QStringLiteral("DELETE FROM dentists; DELETE FROM settings"));
}

AgendaFileWriter::~AgendaFileWriter()
{
    if (!m_open)
        return;
    try {
        m_db.execute(QStringLiteral("ROLLBACK"));
    } catch (const DatabaseError&) {
    }
}

void AgendaFileWriter::addDentist(const Dentist& dentist)
{
    m_db.run(QStringLiteral("INSERT INTO dentists (id, name, color, position) VALUES (?, ?, ?, ?)"),
             {dentist.id, dentist.name, dentist.colorHex, dentist.position});
}

void AgendaFileWriter::addSetting(const QString& key, const QString& value)
{
    m_db.run(QStringLiteral("INSERT INTO settings (key, value) VALUES (?, ?)"), {key, value});
}

void AgendaFileWriter::addAppointments(const QList<StoredAppointment>& rows)
{
    for (qsizetype first = 0; first < rows.size(); first += rowsPerStatement) {
        const qsizetype count = std::min<qsizetype>(rowsPerStatement, rows.size() - first);
        QString sql = QStringLiteral("INSERT INTO appointments (") + AppointmentColumns::stored + QStringLiteral(") VALUES ");
        SQLArgs args;
        for (qsizetype i = first; i < first + count; ++i) {
            const Appointment& a = rows[i].appointment;
            sql += i == first ? QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                              : QStringLiteral(", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            args << a.id << a.dentistId << a.day << a.startMinutes << a.durationMinutes << a.patient << a.phone
                 << a.treatment << a.notes << rows[i].createdAt << rows[i].updatedAt;
        }
        m_db.run(sql, args);
    }
}

void AgendaFileWriter::commit()
{
    m_db.execute(QStringLiteral("COMMIT"));
    m_open = false;
}

void AgendaFileWriter::addDayRecords(const DayRecords& records)
{
    for (const DayRecords::Status& s : records.statuses)
        m_db.run(QStringLiteral("INSERT INTO appointment_status (") + DayRecords::statusColumns
                     + QStringLiteral(") VALUES (?, ?, ?, ?)"),
                 {s.appointmentId, s.status, s.changedAt, s.callAttempts});
    for (const DayRecords::Cancelled& c : records.cancelled) {
        const Appointment& a = c.row.appointment;
        m_db.run(QStringLiteral("INSERT INTO cancelled_appointments (") + AppointmentColumns::stored + QStringLiteral(", ")
                     + DayRecords::cancelledExtraColumns
                     + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {a.id, a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment, a.notes,
                  c.row.createdAt, c.row.updatedAt, c.cancelledAt, c.cancelledBy, c.reason, c.late, c.statusBefore});
    }
    for (const SQLArgs& waiting : WaitingRows::copiedArgs(records.waiting))
        m_db.run(QStringLiteral("INSERT INTO waiting_list (") + WaitingRows::copied
                     + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 waiting);
    // AUTOINCREMENT moves past the ids given here, so a recall set later in this file never takes one.
    for (const SQLArgs& recall : RecallRows::copiedArgs(records.recalls))
        m_db.run(QStringLiteral("INSERT INTO recalls (") + RecallRows::copied + QStringLiteral(") VALUES (")
                     + QStringLiteral("?, ").repeated(RecallRows::copiedCount - 1) + QStringLiteral("?)"),
                 recall);
    // A cancelled appointment keeps its id: no new appointment of this file may be given it.
    m_db.run(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT 'appointments', 0 WHERE NOT EXISTS "
                            "(SELECT 1 FROM sqlite_sequence WHERE name = 'appointments')"));
    m_db.run(QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, (SELECT coalesce(max(id), 0) FROM "
                            "cancelled_appointments)) WHERE name = 'appointments'"));
}

void AgendaFileWriter::addLogEntries(const QList<ActivityEntry>& entries)
{
    // This connection has none of the log's triggers: the rows go in as they were sealed.
    for (const ActivityEntry& e : entries)
        m_db.run(QStringLiteral("INSERT INTO activity_log (n, at, action, target, subject, computer, account, operator, "
                                "client, details, personal, personal_digest, hash) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {e.n, e.at, e.action, e.target, e.subject ? SQLValue(*e.subject) : SQLValue::null(), e.computer, e.account,
                  e.operatorName, e.client, e.details, e.personal, e.personalDigest, e.hash});
}
