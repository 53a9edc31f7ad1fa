#include "AppointmentRows.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "Schedule.h"
#include "Store.h"

namespace {

const QString savePrefix = QStringLiteral("Errore durante il salvataggio: ");

Appointment trimmedTexts(Appointment a)
{
    a.patient = a.patient.trimmed();
    a.phone = a.phone.trimmed();
    a.treatment = a.treatment.trimmed();
    a.notes = a.notes.trimmed();
    return a;
}

} // namespace

void Store::newAppointment(std::optional<QDate> day, std::optional<qint64> dentistId, std::optional<int> start)
{
    const QDate date = day.value_or(m_anchor);
    int begin = Schedule::openingMinutes;
    if (start) {
        begin = *start;
    } else if (date == Clock::today()) {
        const QTime time = Clock::now().time();
        const int m = time.hour() * 60 + time.minute();
        const int rounded = (m + 14) / 15 * 15;
        if (rounded >= Schedule::openingMinutes && rounded < Schedule::closingMinutes)
            begin = rounded;
    }
    const qint64 dentist = dentistId.value_or(m_dentists.isEmpty() ? 1 : m_dentists.first().id);
    const int duration = std::min(Schedule::defaultDurationMinutes, Schedule::closingMinutes - begin);
    setEditing(Appointment{0, dentist, Cal::dayKey(date), begin, duration, {}, {}, {}, {}});
}

// Rules 1 to 5: everything that can be judged without the database.
std::optional<QString> Store::ruleMessage(const Appointment& a) const
{
    if (a.patient.trimmed().isEmpty())
        return QStringLiteral("Inserire il nome del paziente.");
    const std::optional<QDate> day = Cal::parseDayKey(a.day);
    if (!day || !Cal::isWorkday(*day))
        return QStringLiteral("Lo studio riceve solo dal lunedì al venerdì.");
    const qint64 end = qint64(a.startMinutes) + a.durationMinutes;
    if (a.startMinutes < Schedule::openingMinutes || end > Schedule::closingMinutes)
        return QStringLiteral("L'appuntamento deve essere compreso tra le ") + Schedule::clockText(Schedule::openingMinutes)
            + QStringLiteral(" e le ") + Schedule::clockText(Schedule::closingMinutes)
            + QStringLiteral(" (ora termina alle ") + Schedule::clockText(int(end)) + QStringLiteral(").");
    if (a.startMinutes % Schedule::slotMinutes != 0 || a.durationMinutes < 1
        || a.durationMinutes % Schedule::slotMinutes != 0)
        return QStringLiteral("Orario e durata devono essere multipli di 15 minuti.");
    return std::nullopt;
}

// Rule 6: another appointment of the same dentist on the same day overlaps. Throws DatabaseError.
std::optional<QString> Store::conflictMessage(const Appointment& a)
{
    const QList<Appointment> others =
        m_db.query(QStringLiteral("SELECT ") + AppointmentRows::columns
                       + QStringLiteral(" FROM appointments WHERE day = ? AND dentist_id = ? AND id <> ?"),
                   {a.day, a.dentistId, a.id}, AppointmentRows::fromRow);
    const qint64 end = qint64(a.startMinutes) + a.durationMinutes;
    for (const Appointment& other : others) {
        if (other.dentistId != a.dentistId || other.day != a.day)
            continue;
        if (other.startMinutes < end && a.startMinutes < qint64(other.startMinutes) + other.durationMinutes) {
            const std::optional<Dentist> owner = dentist(a.dentistId);
            const QString name = owner ? owner->name : QStringLiteral("Il dentista");
            return name + QStringLiteral(" ha già un appuntamento ") + other.timeRange() + QStringLiteral(" (")
                + other.patient + QStringLiteral(").");
        }
    }
    return std::nullopt;
}

std::optional<QString> Store::validate(const Appointment& a)
{
    if (std::optional<QString> message = ruleMessage(a))
        return message;
    try {
        return conflictMessage(a);
    } catch (const DatabaseError&) {
        return std::nullopt; // a failing check does not stop the editor; save checks again
    }
}

std::optional<QString> Store::save(const Appointment& appointment)
{
    const Appointment a = trimmedTexts(appointment);
    if (std::optional<QString> message = ruleMessage(a))
        return message;
    const SQLArgs values{a.dentistId, a.day, a.startMinutes, a.durationMinutes,
                         a.patient,   a.phone, a.treatment,  a.notes};
    std::optional<QString> conflict;
    try {
        // The overlap check and the write share one immediate transaction, so a second copy of the
        // program on the same data folder cannot book the same slot between them. A check that cannot
        // be made stops the save: writing blind could double-book.
        m_db.transaction([&] {
            conflict = conflictMessage(a);
            if (conflict)
                return;
            if (a.id != 0) {
                m_db.run(QStringLiteral("UPDATE appointments SET dentist_id = ?, day = ?, start_min = ?, "
                                        "duration_min = ?,\n    patient = ?, phone = ?, treatment = ?, notes = ?, "
                                        "updated_at = datetime('now', 'localtime')\nWHERE id = ?"),
                         values + SQLArgs{a.id});
            } else {
                m_db.run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, "
                                        "patient, phone, treatment, notes)\nVALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                         values);
            }
        });
    } catch (const DatabaseError& error) {
        return savePrefix + error.message();
    }
    if (conflict)
        return conflict;
    reload();
    return std::nullopt;
}

void Store::deleteAppointment(const Appointment& appointment)
{
    std::optional<QString> failure;
    try {
        m_db.run(QStringLiteral("DELETE FROM appointments WHERE id = ?"), {appointment.id});
    } catch (const DatabaseError& error) {
        failure = QStringLiteral("Errore durante l'eliminazione: ") + error.message();
        setAlertMessage(failure);
    }
    reload();
    // A reload that fails as well must not hide that the appointment is still there.
    if (failure && m_alertMessage != failure)
        setAlertMessage(failure);
}

bool Store::move(qint64 id, const QDate& day, qint64 dentistId, int start)
{
    QList<Appointment> rows;
    try {
        rows = m_db.query(QStringLiteral("SELECT id, dentist_id, day, start_min, duration_min, patient, phone, "
                                         "treatment, notes FROM appointments WHERE id = ?"),
                          {id}, AppointmentRows::fromRow);
    } catch (const DatabaseError&) {
        return false;
    }
    if (rows.isEmpty())
        return false;
    Appointment moved = rows.first();
    moved.dentistId = dentistId;
    moved.day = Cal::dayKey(day);
    moved.startMinutes = start;
    const std::optional<QString> message = save(moved);
    if (!message)
        return true;
    setAlertMessage(QStringLiteral("Impossibile spostare l'appuntamento di ") + rows.first().patient
                    + QStringLiteral(".\n") + *message);
    return false;
}
