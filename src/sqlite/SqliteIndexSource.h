#pragma once

#include "SearchIndex.h"

#include <atomic>
#include <memory>

// The file's side of the search index: reading every appointment on a worker thread.
namespace SqliteIndexSource {

// Every appointment of the file, read on its own read-only connection in short read transactions of a
// few hundred rows each (copied out, then indexed once the reading has ended), with pauses as long
// between them, so that another program's save seldom waits for it (a commit meanwhile moves the
// archive's change mark, and IndexKeeper then leaves the result unused). Returns an unusable index when a value cannot be kept exactly, null when the file cannot be
// read or `cancel` was set. Safe to call on any thread.
[[nodiscard]] std::unique_ptr<SearchIndex> load(const QString& path, const std::atomic<bool>& cancel);

// Rows per read transaction.
inline constexpr int rowsPerRead = 500;

} // namespace SqliteIndexSource
