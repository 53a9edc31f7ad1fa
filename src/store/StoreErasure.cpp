// The patient's erasure and the practice's retention: anonymisations asked for, applied once a day, and
// applied again after an older backup came back.
#include "AgendaArchive.h"
#include "Clock.h"
#include "ErasureMemory.h"
#include "Store.h"

#include "LoggedAct.h"

#include <QUndoStack>

#include <algorithm>

namespace {

// Kept in the settings table: the practice decides once for every computer.
const QString retentionKey = QStringLiteral("retention_years");

qint64 highest(const QList<qint64>& ids)
{
    return ids.isEmpty() ? 0 : *std::max_element(ids.begin(), ids.end());
}

} // namespace

std::optional<QString> Store::anonymise(const AnonymiseScope& scope, qsizetype* reached)
{
    if (m_readOnly)
        return readOnlyText();
    const LoggedAct act(m_archive, m_act, QStringLiteral("anonymise"));
    AnonymisedRecords done;
    try {
        done = m_archive.anonymise(scope);
    } catch (const DatabaseError& error) {
        return QStringLiteral("Impossibile anonimizzare: ") + error.message();
    }
    if (reached)
        *reached = done.size();
    if (done.isEmpty())
        return std::nullopt;
    // What could be undone holds the texts just replaced.
    if (m_history)
        m_history->clear();
    reload();
    emit waitingListChanged();
    emit changed();
    if (m_erasureMemory.isEmpty())
        return std::nullopt;
    QString error;
    if (!ErasureMemory::add(m_erasureMemory, done, scope.before, &error))
        return QStringLiteral("Anonimizzazione eseguita, ma non è stato possibile annotarla nella cartella dei dati "
                              "(%1): se si ripristina un backup precedente, ripetila.")
            .arg(error);
    return std::nullopt;
}

std::optional<QString> Store::anonymisePatient(const QString& patient, const QStringList& phones, qsizetype* reached)
{
    AnonymiseScope scope;
    scope.patient = patient.trimmed();
    scope.phones = phones;
    scope.reason = QStringLiteral("patient");
    if (scope.patient.isEmpty())
        return QStringLiteral("Indica il nome del paziente da anonimizzare.");
    return anonymise(scope, reached);
}

void Store::setErasureMemory(const QString& path)
{
    m_erasureMemory = path;
}

namespace {

// The log's newest entry and whether entry `n` still is the one with that hash.
struct LogMark {
    std::optional<ActivityEntry> newest;
    bool stillThere = false;
};

LogMark markOf(AgendaArchive& archive, qint64 n, const QString& hash)
{
    LogMark mark;
    const QList<ActivityEntry> newest = archive.logPage({}, 1);
    if (!newest.isEmpty())
        mark.newest = newest.first();
    if (n > 0 && mark.newest && mark.newest->n >= n) {
        LogFilter at;
        at.before = n + 1;
        const QList<ActivityEntry> entry = archive.logPage(at, 1);
        mark.stillThere = !entry.isEmpty() && entry.first().n == n && (hash.isEmpty() || entry.first().hash == hash);
    }
    return mark;
}

// What the 'anonymise' entries after `after` (all when absent) up to `newest` reached, together.
Anonymisation::Reached reachedSince(AgendaArchive& archive, std::optional<qint64> after, qint64 newest)
{
    Anonymisation::Reached all;
    LogFilter filter;
    filter.action = QStringLiteral("anonymise");
    filter.after = after;
    filter.before = newest + 1;
    constexpr int pageSize = 500;
    for (bool more = true; more;) {
        const QList<ActivityEntry> page = archive.logPage(filter, pageSize);
        more = page.size() == pageSize;
        for (const ActivityEntry& e : page) {
            const Anonymisation::Reached reached = Anonymisation::reachedBy(e.details);
            all.records.appointments += reached.records.appointments;
            all.records.cancelled += reached.records.cancelled;
            all.records.waiting += reached.records.waiting;
            if (reached.before && (!all.before || *reached.before > *all.before))
                all.before = reached.before;
        }
        if (more)
            filter.before = page.last().n;
    }
    return all;
}

} // namespace

std::optional<QString> Store::learnErasures(bool markFile)
{
    if (m_erasureMemory.isEmpty())
        return std::nullopt;
    QString error;
    qint64 seen = m_erasuresSeen;
    QString seenHash;
    if (markFile) {
        const ErasureMemory memory = ErasureMemory::read(m_erasureMemory, &error);
        if (!error.isEmpty())
            return QStringLiteral("Impossibile leggere le anonimizzazioni annotate: ") + error;
        seen = memory.seen;
        seenHash = memory.seenHash;
    }
    Anonymisation::Reached learnt;
    LogMark mark;
    try {
        mark = markOf(m_archive, seen, seenHash);
        // A log put back to an older copy is read again from its start.
        learnt = reachedSince(m_archive, mark.stillThere ? std::optional(seen) : std::nullopt,
                              mark.newest ? mark.newest->n : 0);
    } catch (const DatabaseError& failure) {
        return QStringLiteral("Impossibile leggere le anonimizzazioni del registro: ") + failure.message();
    }
    if ((!learnt.records.isEmpty() || learnt.before)
        && !ErasureMemory::add(m_erasureMemory, learnt.records, learnt.before, &error))
        return QStringLiteral("Impossibile annotare le anonimizzazioni nella cartella dei dati: ") + error;
    m_erasuresSeen = mark.newest ? mark.newest->n : 0;
    if (markFile && mark.newest && !ErasureMemory::markSeen(m_erasureMemory, mark.newest->n, mark.newest->hash, &error))
        return QStringLiteral("Impossibile annotare le anonimizzazioni nella cartella dei dati: ") + error;
    return std::nullopt;
}

std::optional<QString> Store::reapplyErasures()
{
    if (m_erasureMemory.isEmpty())
        return std::nullopt;
    if (std::optional<QString> failure = learnErasures(true))
        return failure;
    QString error;
    const ErasureMemory memory = ErasureMemory::read(m_erasureMemory, &error);
    if (!error.isEmpty())
        return QStringLiteral("Impossibile leggere le anonimizzazioni annotate: ") + error;
    if (memory.records.isEmpty() && !memory.before)
        return std::nullopt;
    try {
        // An older agenda would give these ids again to new records, which the memory would then reach.
        m_archive.reserveIds(highest(memory.records.appointments + memory.records.cancelled),
                             highest(memory.records.waiting), highest(memory.records.recalls));
    } catch (const DatabaseError& failure) {
        return QStringLiteral("Impossibile anonimizzare: ") + failure.message();
    }
    AnonymiseScope byRecords;
    byRecords.records = memory.records;
    byRecords.reason = QStringLiteral("restore");
    if (!memory.records.isEmpty())
        if (std::optional<QString> failure = anonymise(byRecords, nullptr))
            return failure;
    if (!memory.before)
        return std::nullopt;
    AnonymiseScope byDay;
    byDay.before = memory.before;
    byDay.reason = QStringLiteral("restore");
    return anonymise(byDay, nullptr);
}

std::optional<int> Store::retentionYears()
{
    bool ok = false;
    const int years = m_archive.allSettings().value(retentionKey).toInt(&ok);
    return ok && years > 0 ? std::optional(years) : std::nullopt;
}

std::optional<QString> Store::setRetentionYears(std::optional<int> years)
{
    {
        const LoggedAct act(m_archive, m_act, QStringLiteral("settings"));
        try {
            m_archive.writeSetting(retentionKey, years ? std::optional(QString::number(*years)) : std::nullopt);
        } catch (const DatabaseError& error) {
            return QStringLiteral("Errore durante il salvataggio: ") + error.message();
        }
    }
    m_retentionApplied = {};
    return applyRetentionIfDue();
}

std::optional<QString> Store::applyRetentionIfDue()
{
    const QDate today = Clock::today();
    if (m_retentionApplied == today)
        return std::nullopt;
    std::optional<int> years;
    try {
        years = retentionYears();
    } catch (const DatabaseError& error) {
        return QStringLiteral("Impossibile anonimizzare: ") + error.message();
    }
    m_retentionApplied = today;
    if (!years)
        return std::nullopt;
    AnonymiseScope scope;
    scope.before = today.addYears(-*years);
    scope.reason = QStringLiteral("retention");
    return anonymise(scope, nullptr);
}
