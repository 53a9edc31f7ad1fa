#include "IndexedArchive.h"

#include <QHash>
#include <QSet>

IndexedArchive::~IndexedArchive() = default;

SearchIndex* IndexedArchive::index()
{
    return m_keeper ? m_keeper->current() : nullptr;
}

std::optional<QList<Appointment>> IndexedArchive::inOrder(const QList<qint64>& ids)
{
    if (ids.isEmpty())
        return QList<Appointment>();
    QHash<qint64, Appointment> byId;
    try {
        for (const Appointment& a : appointmentsWithIds(ids))
            byId.insert(a.id, a);
    } catch (const DatabaseError&) {
        return std::nullopt; // the query answers, or says what is wrong
    }
    QList<Appointment> found;
    for (const qint64 id : ids) {
        const auto at = byId.constFind(id);
        // A row gone meanwhile: another program's change, not yet noticed.
        if (at == byId.constEnd())
            return std::nullopt;
        found.append(*at);
    }
    return found;
}

std::optional<QList<Appointment>> IndexedArchive::searchFromMemory(const QString& pattern, int limit)
{
    if (SearchIndex* kept = index())
        if (const std::optional<QByteArray> folded = SearchIndex::literal(pattern))
            if (std::optional<QList<Appointment>> found = inOrder(kept->search(*folded, limit)))
                return found;
    return rememberedSearch(pattern, limit);
}

std::optional<QList<KnownPatient>> IndexedArchive::knownPatientsFromMemory(const QString& pattern, int limit)
{
    if (SearchIndex* kept = index())
        if (const std::optional<QByteArray> folded = SearchIndex::literal(pattern))
            return kept->knownPatients(*folded, limit);
    return std::nullopt;
}

std::optional<QStringList> IndexedArchive::mostUsedTreatmentsFromMemory(int limit)
{
    if (SearchIndex* kept = index())
        return kept->mostUsedTreatments(limit);
    return std::nullopt;
}

QList<Appointment> IndexedArchive::search(const QString& pattern, int limit)
{
    if (std::optional<QList<Appointment>> found = searchFromMemory(pattern, limit))
        return *found;
    return searchQuery(pattern, limit);
}

QList<KnownPatient> IndexedArchive::knownPatients(const QString& pattern, int limit)
{
    if (std::optional<QList<KnownPatient>> found = knownPatientsFromMemory(pattern, limit))
        return *found;
    return knownPatientsQuery(pattern, limit);
}

QStringList IndexedArchive::mostUsedTreatments(int limit)
{
    if (std::optional<QStringList> found = mostUsedTreatmentsFromMemory(limit))
        return *found;
    return mostUsedTreatmentsQuery(limit);
}

bool IndexedArchive::keepSearchIndex(bool wait)
{
    if (!m_keeper)
        m_keeper = std::make_unique<IndexKeeper>(indexLoader(), [this] { return indexMark(); });
    return m_keeper->start(wait);
}

void IndexedArchive::refreshIndex()
{
    if (m_keeper)
        (void)m_keeper->current();
}

void IndexedArchive::ownWrite(const std::function<void()>& write, const IndexChange& change)
{
    IndexKeeper::write(m_keeper.get(), write, change);
}

bool IndexedArchive::takeIntoIndex(const IndexKeeper::Mark& now, const QList<qint64>& ids,
                                   const std::function<QList<Appointment>(const QList<qint64>&)>& rowsOf)
{
    if (!m_keeper)
        return false;
    return m_keeper->takeChangesElsewhere(now, [&](SearchIndex& index) {
        // put() replaces a row with the same id; only the ids no longer found are removed apart.
        QSet<qint64> gone(ids.cbegin(), ids.cend());
        for (const Appointment& a : rowsOf(ids)) {
            index.put(a);
            gone.remove(a.id);
        }
        for (const qint64 id : std::as_const(gone))
            index.remove(id);
    });
}

IndexedArchive::IndexChange IndexedArchive::storing(const Appointment& a, const qint64& written)
{
    return [&a, &written](SearchIndex& index) {
        if (written == 0)
            return;
        Appointment stored = a;
        stored.id = written;
        index.put(stored);
    };
}

IndexedArchive::IndexChange IndexedArchive::restoring(const Appointment& a, const bool& wrote)
{
    return [&a, &wrote](SearchIndex& index) {
        if (wrote)
            index.put(a);
    };
}

IndexedArchive::IndexChange IndexedArchive::removing(qint64 id, const bool& removed)
{
    return [id, &removed](SearchIndex& index) {
        if (removed)
            index.remove(id);
    };
}
