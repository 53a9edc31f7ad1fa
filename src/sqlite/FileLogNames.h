#pragma once

#include "SQLValue.h"

#include <QString>

#include <optional>

struct sqlite3;
class Database;

// The patients' names of the file's activity log, each once, with the numbers of the entries that name
// them: a filter by patient reads the few names that match instead of every entry's texts. Kept by the
// write connection's triggers next to the log; made, and brought up to the log's last entry, when such a
// connection opens. Entries after the last one it covers (another program's, or while the file was busy)
// are read as before, so an answer never depends on the names being complete.
namespace FileLogNames {

// Makes the names where missing, adds the entries written since, and installs the triggers that keep
// them; a busy or read-only file leaves the names as they were.
void install(sqlite3* handle);
// The triggers' names, for removing them.
[[nodiscard]] QStringList triggerNames();

// A condition on the entry's number n that keeps the entries whose patient's name is LIKE `pattern`
// (plus the ones not yet covered), with its arguments appended to `args`; none when the names are
// missing, out of date, or name so many entries that reading the log in order finds a page sooner.
[[nodiscard]] std::optional<QString> candidates(Database& db, const QString& pattern, SQLArgs& args);

} // namespace FileLogNames
