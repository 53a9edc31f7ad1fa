#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
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

// Rule 6: the first of `others` (another appointment of the same dentist on the same day) that overlaps.
std::optional<QString> Store::conflictIn(const Appointment& a, const QList<Appointment>& others) const
{
    const qint64 end = qint64(a.startMinutes) + a.durationMinutes;
    for (const Appointment& other : others) {
        if (other.dentistId != a.dentistId || other.day != a.day || other.id == a.id)
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
        return conflictIn(a, m_archive.dentistDay(a.day, a.dentistId, a.id));
    } catch (const DatabaseError&) {
        return std::nullopt; // a failing check does not stop the editor; save checks again
    }
}

std::optional<QString> Store::save(const Appointment& appointment)
{
    if (std::optional<SaveRefusal> refusal = write(appointment, std::nullopt))
        return refusal->message;
    return std::nullopt;
}

std::optional<SaveRefusal> Store::saveEdited(const Appointment& draft, const Appointment& opened)
{
    return write(draft, opened);
}

std::optional<SaveRefusal> Store::write(const Appointment& appointment, const std::optional<Appointment>& opened)
{
    const Appointment a = trimmedTexts(appointment);
    if (std::optional<QString> message = ruleMessage(a))
        return SaveRefusal{SaveRefusal::Reason::Rule, *message, std::nullopt};
    std::optional<SaveRefusal> refusal;
    try {
        // Everything is judged on what the archive holds inside the write's own transaction. A check
        // that cannot be made stops the save: writing blind could double-book or overwrite.
        m_archive.writeAppointment(a, [&](const AgendaArchive::WriteCheck& check) {
            if (a.id != 0 && !check.stored)
                refusal = SaveRefusal{SaveRefusal::Reason::Deleted, deletedElsewhereText(), std::nullopt};
            else if (opened && check.stored && !(*check.stored == *opened))
                refusal = SaveRefusal{SaveRefusal::Reason::ChangedElsewhere,
                                      changedElsewhereText(*opened, *check.stored), check.stored};
            else if (std::optional<QString> conflict = conflictIn(a, check.dentistDay))
                refusal = SaveRefusal{SaveRefusal::Reason::Overlap, *conflict, std::nullopt};
            return !refusal;
        });
    } catch (const DatabaseError& error) {
        // The server refused an overlap that its own reading could not yet see: name the other
        // appointment as the rule does.
        std::optional<QString> conflict;
        if (error.kind() == DatabaseError::Kind::Overlap) {
            try {
                conflict = conflictIn(a, m_archive.dentistDay(a.day, a.dentistId, a.id));
            } catch (const DatabaseError&) {
            }
        }
        if (!conflict)
            return SaveRefusal{SaveRefusal::Reason::Failure, savePrefix + error.message(), std::nullopt};
        refusal = SaveRefusal{SaveRefusal::Reason::Overlap, *conflict, std::nullopt};
    }
    // A refusal because of what another program wrote puts that on show behind the message.
    if (refusal && refusal->reason != SaveRefusal::Reason::Failure)
        reload();
    if (refusal)
        return refusal;
    reload();
    return std::nullopt;
}

std::optional<Appointment> Store::storedAppointment(qint64 id)
{
    return m_archive.appointment(id);
}

QString Store::changeDescription(const Appointment& before, const Appointment& after) const
{
    QStringList parts;
    if (before.dentistId != after.dentistId) {
        const std::optional<Dentist> owner = dentist(after.dentistId);
        parts << QStringLiteral("dentista ") + (owner ? owner->name : QStringLiteral("non più presente"));
    }
    if (before.day != after.day)
        parts << QStringLiteral("giorno ") + Cal::format(after.date(), QStringLiteral("EEEEdMMMM"));
    if (before.startMinutes != after.startMinutes || before.durationMinutes != after.durationMinutes)
        parts << QStringLiteral("ora ") + after.timeRange();
    const auto text = [&parts](const QString& field, const QString& was, const QString& now) {
        if (Text::equivalent(was, now))
            return;
        parts << (now.isEmpty() ? field + QStringLiteral(" cancellato")
                                : field + QStringLiteral(" «") + now + QStringLiteral("»"));
    };
    text(QStringLiteral("paziente"), before.patient, after.patient);
    text(QStringLiteral("telefono"), before.phone, after.phone);
    text(QStringLiteral("prestazione"), before.treatment, after.treatment);
    if (!Text::equivalent(before.notes, after.notes))
        parts << QStringLiteral("note cambiate");
    return parts.join(QStringLiteral(", "));
}

QString Store::changedElsewhereText(const Appointment& before, const Appointment& after) const
{
    return QStringLiteral("Nel frattempo un altro computer ha modificato questo appuntamento (")
        + changeDescription(before, after) + QStringLiteral(").");
}

QString Store::deletedElsewhereText()
{
    return QStringLiteral("Nel frattempo un altro computer ha eliminato questo appuntamento.");
}

void Store::deleteAppointment(const Appointment& appointment)
{
    std::optional<QString> failure;
    try {
        m_archive.deleteAppointment(appointment.id);
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
    std::optional<Appointment> stored;
    try {
        stored = m_archive.appointment(id);
    } catch (const DatabaseError&) {
        return false;
    }
    if (!stored)
        return false;
    Appointment moved = *stored;
    moved.dentistId = dentistId;
    moved.day = Cal::dayKey(day);
    moved.startMinutes = start;
    // What was read is what is moved: a change by another program in between refuses the move.
    const std::optional<SaveRefusal> refusal = write(moved, stored);
    if (!refusal)
        return true;
    setAlertMessage(QStringLiteral("Impossibile spostare l'appuntamento di ") + stored->patient
                    + QStringLiteral(".\n") + refusal->message);
    return false;
}
