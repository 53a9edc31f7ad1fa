#include "FileAgendaSource.h"

#include "AppointmentColumns.h"
#include "AppointmentRows.h"
#include "Database.h"
#include "RecallRows.h"
#include "WaitingRows.h"

#include <QFileInfo>

std::unique_ptr<AgendaSource> FileAgendaSource::open(const QString& path)
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
    return std::unique_ptr<AgendaSource>(new FileAgendaSource(std::move(file)));
}

FileAgendaSource::FileAgendaSource(std::unique_ptr<Database> file)
    : m_file(std::move(file))
{
    m_file->execute(QStringLiteral("BEGIN"));
}

FileAgendaSource::~FileAgendaSource()
{
    try {
        m_file->execute(QStringLiteral("ROLLBACK"));
    } catch (const DatabaseError&) {
    }
}

AgendaSource::Content FileAgendaSource::content()
{
    // AUTOINCREMENT keeps the highest id given also after its appointment was deleted.
    return m_file
        ->query(QStringLiteral("SELECT (SELECT count(*) FROM dentists), (SELECT count(*) FROM settings), "
                               "(SELECT count(*) FROM appointments), max((SELECT coalesce(max(id), 0) FROM "
                               "appointments), (SELECT coalesce(max(seq), 0) FROM sqlite_sequence WHERE name = "
                               "'appointments'))"),
                {}, [](const SQLRow& r) { return Content{r.integer(0), r.integer(1), r.integer(2), r.integer(3)}; })
        .value(0);
}

std::optional<AgendaSource::Overlap> FileAgendaSource::firstOverlap()
{
    const QList<Overlap> pairs = m_file->query(
        QStringLiteral("SELECT coalesce(d.name, ''), a.day, a.start_min, a.duration_min, a.patient, b.start_min, "
                       "b.duration_min, b.patient FROM appointments a JOIN appointments b ON a.dentist_id = "
                       "b.dentist_id AND a.day = b.day AND a.id < b.id AND a.start_min < b.start_min + "
                       "b.duration_min AND b.start_min < a.start_min + a.duration_min LEFT JOIN dentists d ON d.id = "
                       "a.dentist_id LIMIT 1"),
        {}, [](const SQLRow& r) {
            return Overlap{r.text(0),
                           Appointment{0, 0, r.text(1), int(r.integer(2)), int(r.integer(3)), r.text(4), {}, {}, {}},
                           Appointment{0, 0, r.text(1), int(r.integer(5)), int(r.integer(6)), r.text(7), {}, {}, {}}};
        });
    if (pairs.isEmpty())
        return std::nullopt;
    return pairs.first();
}

QList<Dentist> FileAgendaSource::dentists()
{
    return m_file->query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY id"), {},
                         [](const SQLRow& r) {
                             return Dentist{r.integer(0), r.text(1), r.text(2), int(r.integer(3)), {}};
                         });
}

QList<std::pair<QString, QString>> FileAgendaSource::settings()
{
    return m_file->query(QStringLiteral("SELECT key, value FROM settings ORDER BY key"), {},
                         [](const SQLRow& r) { return std::pair{r.text(0), r.text(1)}; });
}

QList<StoredAppointment> FileAgendaSource::appointmentsAfter(qint64 afterId, int count)
{
    return m_file->query(QStringLiteral("SELECT ") + AppointmentColumns::stored
                             + QStringLiteral(" FROM appointments WHERE id > ? ORDER BY id LIMIT ")
                             + QString::number(count),
                         {afterId}, [](const SQLRow& r) {
                             return StoredAppointment{AppointmentRows::fromRow(r), r.text(9), r.text(10)};
                         });
}

DayRecords FileAgendaSource::dayRecords()
{
    DayRecords records;
    records.statuses = m_file->query(QStringLiteral("SELECT ") + DayRecords::statusColumns
                                         + QStringLiteral(" FROM appointment_status ORDER BY appointment_id"),
                                     {}, [](const SQLRow& r) {
                                         return DayRecords::Status{r.integer(0), r.text(1), r.text(2), r.integer(3)};
                                     });
    records.cancelled = m_file->query(
        QStringLiteral("SELECT ") + AppointmentColumns::stored + QStringLiteral(", ") + DayRecords::cancelledExtraColumns
            + QStringLiteral(" FROM cancelled_appointments ORDER BY id"),
        {}, [](const SQLRow& r) {
            return DayRecords::Cancelled{StoredAppointment{AppointmentRows::fromRow(r), r.text(9), r.text(10)},
                                         r.text(11), r.text(12), r.text(13), r.integer(14), r.text(15)};
        });
    records.waiting = m_file->query(QStringLiteral("SELECT ") + WaitingRows::read
                                        + QStringLiteral(" FROM waiting_list ORDER BY id"),
                                    {}, [](const SQLRow& r) {
                                        return WaitingRows::fromRow([&r](int c) { return r.integer(c); },
                                                                    [&r](int c) { return r.text(c); });
                                    });
    records.recalls = m_file->query(QStringLiteral("SELECT ") + RecallRows::read + QStringLiteral(" FROM recalls ORDER BY id"),
                                    {}, [](const SQLRow& r) {
                                        return RecallRows::fromRow([&r](int c) { return r.integer(c); },
                                                                   [&r](int c) { return r.text(c); });
                                    });
    return records;
}
