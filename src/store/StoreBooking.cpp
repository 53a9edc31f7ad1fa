#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "SaveFailure.h"
#include "Schedule.h"
#include "Store.h"

#include "LoggedAct.h"
#include "StoreHistory.h"
#include "StorePractice.h"

namespace {

Appointment trimmedTexts(Appointment a)
{
    a.patient = a.patient.trimmed();
    a.phone = a.phone.trimmed();
    a.treatment = a.treatment.trimmed();
    a.notes = a.notes.trimmed();
    return a;
}

} // namespace

// The current time of day moved up to the quarter hour (14:07 gives 14:15).
int Store::earliestStartToday() const
{
    const QTime time = Clock::now().time();
    const int m = time.hour() * 60 + time.minute();
    return (m + Schedule::slotMinutes - 1) / Schedule::slotMinutes * Schedule::slotMinutes;
}

void Store::newAppointment(std::optional<QDate> day, std::optional<qint64> dentistId, std::optional<int> start,
                           std::optional<int> duration)
{
    if (m_readOnly)
        return;
    const QDate date = day.value_or(m_anchor);
    int begin = Schedule::openingMinutes;
    if (start) {
        begin = *start;
    } else if (date == Clock::today()) {
        const int rounded = earliestStartToday();
        if (rounded >= Schedule::openingMinutes && rounded < Schedule::closingMinutes)
            begin = rounded;
    }
    const QList<Dentist> working = dentistsOn({date});
    const qint64 dentist = dentistId.value_or(working.isEmpty() ? 1 : working.first().id);
    const int length =
        duration.value_or(std::min(Schedule::defaultDurationMinutes, Schedule::closingMinutes - begin));
    // A booking from the recall list: the patient as the recall names them, the recall's kind as treatment.
    const std::optional<Recall> recall = std::exchange(m_bookingRecall, std::nullopt);
    setEditing(Appointment{0, dentist, Cal::dayKey(date), begin, length, recall ? recall->patient : QString(),
                           recall ? recall->phone : QString(), recall ? recall->kind : QString(), {}});
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
        if (std::optional<QString> conflict = conflictIn(a, m_archive.dentistDay(a.day, a.dentistId, a.id)))
            return conflict;
    } catch (const DatabaseError&) {
        // A failing check does not stop the editor; save checks again.
    }
    return practiceMessage(a);
}

std::optional<QString> Store::save(const Appointment& appointment)
{
    const LoggedAct act(m_archive, m_act, appointment.id == 0 ? QStringLiteral("book") : QStringLiteral("edit"));
    if (std::optional<SaveRefusal> refusal = write(appointment, std::nullopt))
        return refusal->message;
    return std::nullopt;
}

std::optional<SaveRefusal> Store::saveEdited(const Appointment& draft, const Appointment& openedIn,
                                             const std::optional<RecallPlan>& recall)
{
    // A copy: the caller's may be a row of the week, which the write reloads.
    const Appointment opened = openedIn;
    const LoggedAct act(m_archive, m_act,
                        draft.id != 0  ? QStringLiteral("edit")
                        : opened.id != 0 ? QStringLiteral("copy")
                                         : QStringLiteral("book"));
    Written written;
    std::optional<SaveRefusal> refusal = write(draft, opened, WriteMode::Save, &written);
    if (refusal)
        return refusal;
    if (written.before) {
        Change change{Change::Kind::Update, *written.before, written.after,
                      QStringLiteral("modifica di ") + written.after.patient};
        writeRecallWith(written.after, recall, change);
        record(change);
        if (!samePlace(*written.before, written.after))
            emit placed(written.after);
    } else {
        Change change{Change::Kind::Insert, written.after, written.after,
                      (opened.id != 0 ? QStringLiteral("copia di ") : QStringLiteral("nuovo appuntamento di "))
                          + written.after.patient};
        writeRecallWith(written.after, recall, change);
        record(change);
        takeBookedWaitingEntry();
    }
    return std::nullopt;
}

std::optional<SaveRefusal> Store::write(const Appointment& appointment, const std::optional<Appointment>& opened,
                                        WriteMode mode, Written* written)
{
    if (m_readOnly)
        return SaveRefusal{SaveRefusal::Reason::Rule, readOnlyText(), std::nullopt, {}};
    const Appointment a = trimmedTexts(appointment);
    if (std::optional<QString> message = ruleMessage(a))
        return SaveRefusal{SaveRefusal::Reason::Rule, *message, std::nullopt, {}};
    std::optional<SaveRefusal> refusal;
    std::optional<Appointment> before;
    bool practiceChanged = false;
    // Everything is judged on what the archive holds inside the write's own transaction, the closed days
    // and retirements too (another computer may have changed them since this one read them). A check
    // that cannot be made stops the save: writing blind could double-book or overwrite.
    const auto approve = [&](const AgendaArchive::WriteCheck& check) {
        before = check.stored;
        if (mode == WriteMode::Save && a.id != 0 && !check.stored)
            refusal = SaveRefusal{SaveRefusal::Reason::Deleted, deletedElsewhereText(), std::nullopt, {}};
        else if (mode == WriteMode::Restore && check.stored)
            refusal = SaveRefusal{SaveRefusal::Reason::ChangedElsewhere, restoredElsewhereText(), check.stored, {}};
        else if (opened && check.stored && !(*check.stored == *opened))
            refusal = SaveRefusal{SaveRefusal::Reason::ChangedElsewhere, changedElsewhereText(*opened, *check.stored),
                                  check.stored, {}};
        else if (std::optional<QString> conflict = conflictIn(a, check.dentistDay))
            refusal = SaveRefusal{SaveRefusal::Reason::Overlap, *conflict, std::nullopt, {}};
        else if (std::optional<QString> closed = practiceMessageIn(a, rulesOf(check.practice))) {
            refusal = SaveRefusal{SaveRefusal::Reason::Rule, *closed, std::nullopt, {}};
            practiceChanged = !practiceMessage(a);
        }
        return !refusal;
    };
    qint64 id = 0;
    try {
        if (mode == WriteMode::Restore)
            id = m_archive.restoreAppointment(a, approve) ? a.id : 0;
        else
            id = m_archive.writeAppointment(a, approve);
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
            return SaveRefusal{SaveRefusal::Reason::Failure, SaveFailure::text(error), std::nullopt, {}};
        refusal = SaveRefusal{SaveRefusal::Reason::Overlap, *conflict, std::nullopt, {}};
    }
    if (refusal) {
        if (refusal->reason == SaveRefusal::Reason::Overlap)
            refusal->alternatives = nearestFreeStarts(a);
        // A refusal because of what another program wrote puts that on show behind the message.
        if (practiceChanged)
            loadSettings();
        reload();
        return refusal;
    }
    if (written) {
        Appointment after = a;
        after.id = id;
        *written = Written{id, before, after};
    }
    reload();
    return std::nullopt;
}

void Store::deleteAppointment(const Appointment& appointment)
{
    if (m_readOnly) {
        setAlertMessage(readOnlyText());
        return;
    }
    const LoggedAct act(m_archive, m_act, QStringLiteral("delete"));
    // A copy: the caller's may be a row of the week, which the reload replaces.
    const Appointment seen = appointment;
    std::optional<QString> failure;
    bool removed = false;
    try {
        // Only what the user saw is removed: an edit made elsewhere meanwhile is not lost unseen.
        removed = m_archive.deleteAppointment(seen.id, [&](const std::optional<Appointment>& stored) {
            if (*stored == seen)
                return true;
            failure = QStringLiteral("Impossibile eliminare l'appuntamento di ") + seen.patient + QStringLiteral(".\n")
                + changedElsewhereText(seen, *stored);
            return false;
        });
    } catch (const DatabaseError& error) {
        failure = QStringLiteral("Errore durante l'eliminazione: ") + error.message();
    }
    if (failure)
        setAlertMessage(failure);
    if (removed) {
        // A deleted visit (a booking made by mistake) takes its recall with it; the undo brings both back.
        Change change{Change::Kind::Delete, seen, seen, QStringLiteral("eliminazione di ") + seen.patient};
        writeRecallWith(seen, RecallPlan{}, change);
        record(change);
    }
    reload();
    // A reload that fails as well must not hide that the appointment is still there.
    if (failure && m_alertMessage != failure)
        setAlertMessage(failure);
}

bool Store::move(qint64 id, const QDate& day, qint64 dentistId, int start)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("move"));
    std::optional<Appointment> stored;
    try {
        stored = m_archive.appointment(id);
    } catch (const DatabaseError& error) {
        // The appointment could not even be read (a server that went away): the move is refused aloud.
        setAlertMessage(QStringLiteral("Impossibile spostare l'appuntamento.\n") + SaveFailure::text(error));
        return false;
    }
    if (!stored)
        return false;
    Appointment moved = *stored;
    moved.dentistId = dentistId;
    moved.day = Cal::dayKey(day);
    moved.startMinutes = start;
    // What was read is what is moved: a change by another program in between refuses the move.
    Written written;
    const std::optional<SaveRefusal> refusal = write(moved, stored, WriteMode::Save, &written);
    if (!refusal) {
        Change change{Change::Kind::Update, *stored, written.after, QStringLiteral("spostamento di ") + stored->patient};
        if (!samePlace(*stored, written.after) && stored->day != written.after.day)
            writeRecallWith(written.after, std::nullopt, change);
        record(change);
        emit placed(written.after);
        return true;
    }
    setAlertMessage(QStringLiteral("Impossibile spostare l'appuntamento di ") + stored->patient + QStringLiteral(".\n")
                    + refusal->message + alternativesText(refusal->alternatives));
    return false;
}
