// Recalls: the practice's choices, the list of a month and its actions, and the recall an editor's save
// writes with its appointment.
#include "AgendaArchive.h"
#include "Cal.h"
#include "Clock.h"
#include "SaveFailure.h"
#include "Store.h"

#include "LoggedAct.h"
#include "StoreHistory.h"

#include <QSet>

namespace {

// The reason a practice's choices cannot be kept, if any.
std::optional<QString> settingsProblem(const RecallSettings& settings)
{
    if (settings.kinds.isEmpty())
        return QStringLiteral("Serve almeno un tipo di richiamo.");
    QSet<QString> names;
    for (const RecallSettings::Kind& k : settings.kinds) {
        const QString name = k.name.trimmed().toCaseFolded();
        if (name.isEmpty())
            return QStringLiteral("Ogni tipo di richiamo deve avere un nome.");
        if (names.contains(name))
            return QStringLiteral("Il tipo di richiamo «") + k.name.trimmed() + QStringLiteral("» è già in elenco.");
        names.insert(name);
    }
    for (const RecallSettings::TreatmentDefault& t : settings.treatments)
        if (!settings.kind(t.kind))
            return QStringLiteral("La prestazione «") + t.treatment.trimmed() + QStringLiteral("» richiama un tipo che non c'è più: «")
                + t.kind.trimmed() + QStringLiteral("».");
    return std::nullopt;
}

} // namespace

RecallSettings Store::recallSettings()
{
    return RecallSettingsText::fromRows(m_archive.allSettings());
}

std::optional<QString> Store::setRecallSettings(const RecallSettings& settings)
{
    if (std::optional<QString> problem = settingsProblem(settings))
        return problem;
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    try {
        const QHash<QString, QString> rows = RecallSettingsText::rows(settings);
        for (auto row = rows.cbegin(); row != rows.cend(); ++row)
            m_archive.writeSetting(row.key(), row.value());
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    emit recallsChanged();
    return std::nullopt;
}

std::optional<QString> Store::recallTemplate()
{
    const QHash<QString, QString> settings = m_archive.allSettings();
    const auto stored = settings.constFind(RecallSettingsText::templateKey);
    if (stored == settings.cend() || stored->trimmed().isEmpty())
        return std::nullopt;
    return *stored;
}

std::optional<QString> Store::setRecallTemplate(const QString& text)
{
    const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
    try {
        m_archive.writeSetting(RecallSettingsText::templateKey,
                               text.trimmed().isEmpty() ? std::nullopt : std::optional<QString>(text));
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    return std::nullopt;
}

std::optional<Recall> Store::recallOf(qint64 appointmentId)
{
    return m_archive.recallOf(appointmentId);
}

std::optional<QList<Recall>> Store::recallList(const QDate& month)
{
    const QDate today = Clock::today();
    // Overdue ones are listed whatever the month, so the archive reads up to the later of the two limits.
    const QDate until = std::max(Recalls::monthEnd(month), today.addDays(-1));
    QList<Recall> listed;
    try {
        for (const Recall& r : m_archive.openRecalls(Cal::dayKey(until)))
            if (Recalls::listedIn(r, month, today))
                listed.append(r);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    return listed;
}

std::optional<QString> Store::replaceRecall(qint64 appointmentId, const std::optional<Recall>& expected,
                                            const std::optional<Recall>& next)
{
    std::optional<Recall> stored;
    try {
        if (!m_archive.replaceRecall(appointmentId, expected, next, &stored)) {
            if (!expected)
                return QStringLiteral("Nel frattempo un altro computer ha impostato un richiamo per questo appuntamento.");
            return stored ? QStringLiteral("Nel frattempo un altro computer ha cambiato questo richiamo.")
                          : QStringLiteral("Nel frattempo un altro computer ha tolto questo richiamo.");
        }
    } catch (const DatabaseError& error) {
        return SaveFailure::text(error);
    }
    emit recallsChanged();
    return std::nullopt;
}

std::optional<QString> Store::changeRecall(const Recall& seen, const std::function<void(Recall&)>& next,
                                           const QString& what)
{
    if (m_readOnly)
        return readOnlyText();
    const LoggedAct act(m_archive, m_act, QStringLiteral("recall"));
    Recall after = seen;
    next(after);
    if (std::optional<QString> refusal = replaceRecall(seen.appointmentId, seen, after))
        return refusal;
    Change change{Change::Kind::Recall, {}, {}, what + seen.patient};
    change.recallWritten = true;
    change.recallBefore = seen;
    change.recallAfter = after;
    record(change);
    return std::nullopt;
}

std::optional<QString> Store::recallNotAnswered(const Recall& recall)
{
    const QString now = Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return changeRecall(recall, [&](Recall& r) { ++r.attempts, r.lastAttemptAt = now; },
                        QStringLiteral("tentativo di richiamo di "));
}

std::optional<QString> Store::postponeRecall(const Recall& recall, int days)
{
    if (days < 1 || days > 366)
        return QStringLiteral("Indica da 1 a 366 giorni.");
    const QDate until = Clock::today().addDays(days);
    return changeRecall(recall, [&](Recall& r) { r.pausedUntil = until; }, QStringLiteral("rinvio del richiamo di "));
}

std::optional<QString> Store::stopRecall(const Recall& recall)
{
    return changeRecall(recall, [](Recall& r) { r.doNotCall = true; }, QStringLiteral("«non richiamare» per "));
}

void Store::bookForRecall(const Recall& recall)
{
    m_bookingRecall = recall;
}

void Store::writeRecallWith(const Appointment& saved, const std::optional<RecallPlan>& plan, Change& change)
{
    const QString notSaved = QStringLiteral("L'appuntamento è salvato, ma il richiamo no: ");
    std::optional<Recall> stored;
    try {
        stored = m_archive.recallOf(saved.id);
    } catch (const DatabaseError& error) {
        setAlertMessage(notSaved + error.message());
        return;
    }
    const QDate visit = Cal::parseDayKey(saved.day).value_or(QDate());
    std::optional<Recall> next = stored;
    if (plan && !plan->isSet()) {
        next.reset();
    } else if (plan) {
        Recall r = stored.value_or(Recall{});
        r.kind = plan->kind.trimmed().isEmpty() ? QStringLiteral("Controllo") : plan->kind.trimmed();
        r.months = plan->months;
        r.due = plan->dueAfter(visit);
        r.consent = plan->consent;
        next = r;
    } else if (next && next->months > 0) {
        next->due = visit.addMonths(next->months); // a visit moved takes its recall along
    }
    if (next) {
        next->appointmentId = saved.id;
        next->patient = saved.patient;
        next->phone = saved.phone;
        next->lastVisit = visit;
        // A new due day is a new start: the pause set for the old one no longer applies.
        if (stored && stored->due != next->due)
            next->pausedUntil.reset();
    }
    if (Recalls::same(stored, next))
        return;
    if (std::optional<QString> refusal = replaceRecall(saved.id, stored, next)) {
        setAlertMessage(notSaved + *refusal);
        return;
    }
    change.recallWritten = true;
    change.recallBefore = stored;
    change.recallAfter = next;
}
