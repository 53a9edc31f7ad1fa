#pragma once

#include "SearchIndex.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>

// Keeps an archive's SearchIndex in step with the archive, for the archive, on the main thread. The index
// is built on one worker thread (with its own connection, made by `load`) while the archive keeps
// answering with its queries; it is swapped in on the main thread, and used only while the archive's
// change mark is the one it was built or last changed at. The archive's own writes change it in place;
// any other change (another program's commit, a write this keeper was not told of) makes it stale, and
// it is built again.
class IndexKeeper {
public:
    // Identifies the archive's content as the main connection sees it: which connection, what it wrote
    // itself and what others committed (for the file: the connection's number, total_changes and
    // data_version; for the server: the connection, this program's writes and others' notifications).
    struct Mark {
        qint64 connection = 0;
        qint64 own = 0;
        qint64 others = 0;
        bool operator==(const Mark&) const = default;
    };
    // Runs on the worker thread: reads every appointment into a new index; stops early (any answer)
    // once `cancel` is set; throws nothing but std::bad_alloc, which gives the build up (the archive's
    // queries answer) until the mark moves.
    using Load = std::function<std::unique_ptr<SearchIndex>(const std::atomic<bool>& cancel)>;
    // The archive's current mark; absent when it cannot be read (the index is then not used).
    using MarkNow = std::function<std::optional<Mark>()>;
    IndexKeeper(Load load, MarkNow markNow);
    // Stops a build in progress and waits for its thread.
    ~IndexKeeper();
    IndexKeeper(const IndexKeeper&) = delete;
    IndexKeeper& operator=(const IndexKeeper&) = delete;

    // From now on the index is kept; wait blocks until one is in use (or cannot be). Answers whether
    // one is in use now.
    bool start(bool wait = false);
    // The index when it is in step with the archive; absent otherwise (the caller then queries). Starts
    // a new build when it is stale.
    [[nodiscard]] SearchIndex* current();

    // Runs one of the archive's own writes and tells the kept index (when there is one) what it changed:
    // applied only when nothing else happened in between; a failed write, which may or may not have
    // reached the archive, has the index built again.
    static void write(IndexKeeper* keeper, const std::function<void()>& body,
                      const std::function<void(SearchIndex&)>& change = {});

    // Another program's changes, when the archive can tell which rows they touched: `change` puts them
    // into the index, provided it is in use, in step at `now`, and neither a build nor one of the
    // archive's own writes is under way. Answers whether it did; otherwise (or when `change` throws
    // DatabaseError) the archive must move its mark, and the index is built again.
    bool takeChangesElsewhere(const Mark& now, const std::function<void(SearchIndex&)>& change);

private:
    [[nodiscard]] std::optional<Mark> beforeWrite();
    void afterWrite(const std::optional<Mark>& before, const std::function<void(SearchIndex&)>& change);
    void writeFailed();
    void launch();
    void takeFinished(bool wait);

    Load m_load;
    MarkNow m_markNow;
    bool m_kept = false;
    std::unique_ptr<SearchIndex> m_index;
    Mark m_indexMark;
    // A build in progress, the mark it started at, and whether the archive wrote meanwhile.
    std::future<std::unique_ptr<SearchIndex>> m_building;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    Mark m_buildMark;
    bool m_wroteDuringBuild = false;
    // Between the marks before and after one of the archive's own writes.
    bool m_writing = false;
    // A finished build that could not be used (odd values), and the mark it was made at: not tried
    // again until the mark moves.
    std::optional<Mark> m_refusedAt;
};
