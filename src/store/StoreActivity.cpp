// The activity log as the receptionist uses it: an appointment's history, the pages of the log and the
// restore of an appointment from the entry that took it off the agenda.
#include "AgendaArchive.h"
#include "Store.h"

#include "LoggedAct.h"
#include "StoreHistory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject object(const QString& json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

// The value a field had before the entry's change ({"field": [before, after]}).
QJsonValue before(const QJsonObject& changes, const QString& field)
{
    return changes.value(field).toArray().at(0);
}

// The entry removed an appointment's row: each of its facts went from a value to nothing.
bool removedRow(const QJsonObject& details)
{
    const QJsonArray day = details.value(QStringLiteral("day")).toArray();
    return day.size() == 2 && day.at(0).isString() && day.at(1).isNull();
}

// The appointment as it was before the entry removed it.
Appointment removedAppointment(const ActivityEntry& entry)
{
    const QJsonObject facts = object(entry.details);
    const QJsonObject texts = object(entry.personal);
    Appointment a;
    a.id = entry.subject.value_or(0);
    a.day = before(facts, QStringLiteral("day")).toString();
    a.startMinutes = before(facts, QStringLiteral("start_min")).toInt();
    a.durationMinutes = before(facts, QStringLiteral("duration_min")).toInt();
    a.dentistId = before(facts, QStringLiteral("dentist_id")).toInteger();
    a.patient = before(texts, QStringLiteral("patient")).toString();
    a.phone = before(texts, QStringLiteral("phone")).toString();
    a.treatment = before(texts, QStringLiteral("treatment")).toString();
    a.notes = before(texts, QStringLiteral("notes")).toString();
    return a;
}

} // namespace

std::optional<QList<ActivityEntry>> Store::appointmentHistory(qint64 id)
{
    try {
        return m_archive.logOf(QStringLiteral("appointment"), id);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

std::optional<QList<ActivityEntry>> Store::activityPage(const LogFilter& filter, int limit)
{
    try {
        return m_archive.logPage(filter, limit);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

bool Store::restorableFrom(const ActivityEntry& entry)
{
    if (!entry.subject)
        return false;
    if (entry.target == u"cancellation")
        return entry.action != u"restore" && entry.action != u"delete";
    return entry.target == u"appointment" && removedRow(object(entry.details));
}

std::optional<SaveRefusal> Store::restoreFromEntry(const ActivityEntry& entry, std::optional<int> start)
{
    if (!restorableFrom(entry))
        return SaveRefusal{SaveRefusal::Reason::Rule, QStringLiteral("Questa voce non riguarda un appuntamento da ripristinare."),
                           std::nullopt, {}};
    if (entry.target == u"cancellation") {
        if (std::optional<QString> refusal = restoreCancelled(*entry.subject))
            return SaveRefusal{SaveRefusal::Reason::Rule, *refusal, std::nullopt, {}};
        return std::nullopt;
    }
    const LoggedAct act(m_archive, m_act, QStringLiteral("restore"));
    Appointment a = removedAppointment(entry);
    if (start)
        a.startMinutes = *start;
    Written written;
    std::optional<SaveRefusal> refusal = write(a, std::nullopt, WriteMode::Restore, &written);
    if (refusal) {
        if (refusal->reason == SaveRefusal::Reason::ChangedElsewhere)
            refusal->message = QStringLiteral("L'appuntamento di ") + a.patient + QStringLiteral(" è già in agenda.");
        return refusal;
    }
    record(Change{Change::Kind::Insert, written.after, written.after, QStringLiteral("ripristino di ") + a.patient});
    emit placed(written.after);
    return std::nullopt;
}
