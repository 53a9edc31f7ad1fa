#include "IndexKeeper.h"

#include "DatabaseError.h"

#include <chrono>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

IndexKeeper::IndexKeeper(Load load, MarkNow markNow)
    : m_load(std::move(load))
    , m_markNow(std::move(markNow))
{
}

IndexKeeper::~IndexKeeper()
{
    if (m_building.valid()) {
        m_cancel->store(true);
        m_building.wait();
    }
}

bool IndexKeeper::start(bool wait)
{
    m_kept = true;
    SearchIndex* index = current();
    while (wait && !index && m_building.valid()) {
        takeFinished(true);
        index = current();
    }
    return index != nullptr;
}

void IndexKeeper::launch()
{
    const std::optional<Mark> mark = m_markNow();
    if (!mark || m_refusedAt == mark)
        return;
    m_buildMark = *mark;
    m_wroteDuringBuild = false;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    // The thread gets its own copies: it touches nothing of the archive.
    m_building = std::async(std::launch::async, [load = m_load, cancel = m_cancel] { return load(*cancel); });
}

void IndexKeeper::takeFinished(bool wait)
{
    if (!m_building.valid())
        return;
    if (!wait && m_building.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    // Read while the build still counts as under way, so that changes another program made meanwhile
    // are not put into the index being dropped but move the mark the build is judged by.
    m_building.wait();
    const std::optional<Mark> markNow = m_markNow();
    std::unique_ptr<SearchIndex> built;
    try {
        built = m_building.get();
    } catch (const std::bad_alloc&) {
        // An agenda too large for the memory left: the archive's queries go on answering, and the
        // build is not tried again until the agenda changes.
        m_refusedAt = m_buildMark;
    }
#if defined(__GLIBC__)
    // What the build used and freed on its own thread stays in that thread's heap otherwise: tens of
    // megabytes on the largest agendas.
    malloc_trim(0);
#endif
    // A commit by anyone after the build began moves the mark: what was read may miss it.
    if (m_wroteDuringBuild || !built || markNow != m_buildMark)
        return;
    if (!built->usable()) {
        m_refusedAt = m_buildMark;
        return;
    }
    m_index = std::move(built);
    m_indexMark = m_buildMark;
}

SearchIndex* IndexKeeper::current()
{
    if (!m_kept)
        return nullptr;
    takeFinished(false);
    if (m_index) {
        if (m_markNow() == m_indexMark && m_index->usable())
            return m_index.get();
        m_index.reset(); // stale: its memory goes before the next one is read
    }
    if (!m_building.valid())
        launch();
    return nullptr;
}

void IndexKeeper::write(IndexKeeper* keeper, const std::function<void()>& body,
                        const std::function<void(SearchIndex&)>& change)
{
    if (!keeper) {
        body();
        return;
    }
    // Another program's rows read in meanwhile could be older than this write's change, or newer.
    struct Writing {
        IndexKeeper* keeper;
        ~Writing() { keeper->m_writing = false; }
    } writing{keeper};
    keeper->m_writing = true;
    const std::optional<Mark> before = keeper->beforeWrite();
    try {
        body();
    } catch (...) {
        keeper->writeFailed();
        throw;
    }
    keeper->afterWrite(before, change ? change : [](SearchIndex&) {});
}

std::optional<IndexKeeper::Mark> IndexKeeper::beforeWrite()
{
    if (!m_kept)
        return std::nullopt;
    return m_markNow();
}

void IndexKeeper::afterWrite(const std::optional<Mark>& before, const std::function<void(SearchIndex&)>& change)
{
    if (!m_kept)
        return;
    if (m_building.valid())
        m_wroteDuringBuild = true;
    if (!m_index || !before || *before != m_indexMark)
        return;
    const std::optional<Mark> after = m_markNow();
    if (!after || after->connection != before->connection || after->others != before->others) {
        m_index.reset();
        return;
    }
    change(*m_index);
    m_indexMark = *after;
}

void IndexKeeper::writeFailed()
{
    if (m_building.valid())
        m_wroteDuringBuild = true;
    m_index.reset();
}

bool IndexKeeper::takeChangesElsewhere(const Mark& now, const std::function<void(SearchIndex&)>& change)
{
    // A build under way may have read the agenda before or after these changes.
    if (!m_index || m_building.valid() || m_writing || !(m_indexMark == now))
        return false;
    try {
        change(*m_index);
    } catch (const DatabaseError&) {
        return false;
    }
    return m_index->usable();
}
