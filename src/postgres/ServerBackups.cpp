#include "AgendaBackups.h"
#include "AppointmentColumns.h"
#include "PgConnection.h"
#include "ServerArchive.h"
#include "RecallRows.h"
#include "WaitingRows.h"

namespace {

// Appointments fetched per round trip: memory stays small also for years of agenda.
constexpr int fetchRows = 5000;

QList<StoredAppointment> storedAppointments(const PgResult& r)
{
    QList<StoredAppointment> rows;
    rows.reserve(r.rows());
    for (int i = 0; i < r.rows(); ++i)
        rows.append({Appointment{r.integer(i, 0), r.integer(i, 1), r.text(i, 2), int(r.integer(i, 3)),
                                 int(r.integer(i, 4)), r.text(i, 5), r.text(i, 6), r.text(i, 7), r.text(i, 8)},
                     r.text(i, 9), r.text(i, 10)});
    return rows;
}

// Statuses, cancellations, the waiting list and the recalls are few beside the appointments: read at once.
DayRecords dayRecordsOn(PgConnection& c)
{
    DayRecords records;
    const PgResult s = c.query(QStringLiteral("SELECT ") + DayRecords::statusColumns
                               + QStringLiteral(" FROM appointment_status ORDER BY appointment_id"));
    for (int i = 0; i < s.rows(); ++i)
        records.statuses.append({s.integer(i, 0), s.text(i, 1), s.text(i, 2), s.integer(i, 3)});
    const PgResult r = c.query(QStringLiteral("SELECT ") + AppointmentColumns::stored + QStringLiteral(", ")
                               + DayRecords::cancelledExtraColumns + QStringLiteral(" FROM cancelled_appointments ORDER BY id"));
    const QList<StoredAppointment> rows = storedAppointments(r);
    for (int i = 0; i < r.rows(); ++i)
        records.cancelled.append({rows[i], r.text(i, 11), r.text(i, 12), r.text(i, 13), r.integer(i, 14), r.text(i, 15)});
    const PgResult w = c.query(QStringLiteral("SELECT ") + WaitingRows::read + QStringLiteral(" FROM waiting_list ORDER BY id"));
    for (int i = 0; i < w.rows(); ++i)
        records.waiting.append(WaitingRows::fromRow([&w, i](int col) { return w.integer(i, col); },
                                                    [&w, i](int col) { return w.text(i, col); }));
    const PgResult rc = c.query(QStringLiteral("SELECT ") + RecallRows::read + QStringLiteral(" FROM recalls ORDER BY id"));
    for (int i = 0; i < rc.rows(); ++i)
        records.recalls.append(RecallRows::fromRow([&rc, i](int col) { return rc.integer(i, col); },
                                                   [&rc, i](int col) { return rc.text(i, col); }));
    return records;
}

} // namespace

QString ServerArchive::backupNow()
{
    return m_backups->now([this](AgendaSink& sink) { writeSnapshot(sink); });
}

void ServerArchive::dailyBackupIfNeeded()
{
    m_backups->dailyIfNeeded([this](AgendaSink& sink) { writeSnapshot(sink); });
}

// The whole agenda as one snapshot of the server (a read-only repeatable-read transaction).
void ServerArchive::writeSnapshot(AgendaSink& sink)
{
    PgConnection& c = connection();
    bool complete = false;
    try {
        c.transaction([&] {
            const PgResult dentists = c.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY id"));
            for (int i = 0; i < dentists.rows(); ++i)
                sink.addDentist(Dentist{dentists.integer(i, 0), dentists.text(i, 1), dentists.text(i, 2),
                                        int(dentists.integer(i, 3)), {}});
            const PgResult settings = c.query(QStringLiteral("SELECT key, value FROM settings ORDER BY key"));
            for (int i = 0; i < settings.rows(); ++i)
                sink.addSetting(settings.text(i, 0), settings.text(i, 1));
            c.execute(QStringLiteral("DECLARE calvora_copy NO SCROLL CURSOR FOR SELECT ") + AppointmentColumns::stored
                      + QStringLiteral(" FROM appointments ORDER BY id"));
            for (;;) {
                const PgResult r = c.query(QStringLiteral("FETCH ") + QString::number(fetchRows)
                                           + QStringLiteral(" FROM calvora_copy"));
                if (r.rows() == 0)
                    break;
                sink.addAppointments(storedAppointments(r));
            }
            sink.addDayRecords(dayRecordsOn(c));
            copyLog(c, sink);
            complete = true;
        }, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    } catch (...) {
        if (c.broken())
            dropConnection();
        // Only reading was left undone: a copy read whole is whole, whatever became of the COMMIT.
        if (!complete)
            throw;
    }
}
