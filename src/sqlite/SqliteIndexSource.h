#pragma once

#include "SearchIndex.h"

#include <atomic>
#include <memory>

class Database;

// The file's side of the search index: reading it on a worker thread, and checking on the main
// connection that the file's queries order their rows as the index does.
namespace SqliteIndexSource {

// The number of rows of the search whose plan plansAgree() checks: the store's search asks for 200.
inline constexpr int checkedSearchLimit = 200;

// The search's statement (its three parameters are the same LIKE pattern) and the known patients' one.
[[nodiscard]] QString searchStatement(int limit);
[[nodiscard]] QString knownPatientsStatement();

// Every appointment of the file, read on its own read-only connection in one read transaction. Returns
// an unusable index when a value cannot be kept exactly, null when the file cannot be read or `cancel`
// was set. Safe to call on any thread.
[[nodiscard]] std::unique_ptr<SearchIndex> load(const QString& path, const std::atomic<bool>& cancel);

// Whether the connection's plans for the two statements walk the day index backwards and sort each
// day by start (what the index's order repeats), and the file keeps its text as UTF-8.
[[nodiscard]] bool plansAgree(Database& db);

} // namespace SqliteIndexSource
