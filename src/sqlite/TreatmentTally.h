#pragma once

#include <QStringList>

#include <optional>

class Database;

// How often each treatment is used, kept by SQLite in the connection's temporary database so that the
// editor's suggestions need not count every appointment each time it opens. The database file is not
// touched: the tally is a TEMP table that TEMP triggers on the appointments table keep in step with
// every row this connection inserts, updates or deletes (inside the same transactions, so a rolled
// back write leaves no trace); a commit by another connection moves PRAGMA data_version, and the tally
// is counted again. Writes that bypass triggers (REPLACE conflict resolution on appointments, which
// the program never uses) are not followed.
namespace TreatmentTally {

// How many treatments mostUsed answers with.
inline constexpr int limit = 25;

// The rows of "SELECT treatment FROM appointments WHERE treatment <> '' GROUP BY treatment ORDER BY
// COUNT(*) DESC, treatment LIMIT 25", in that query's order. Absent when the tally cannot be made
// or read (the caller then counts the appointments itself). Sets up the tally at the first call.
[[nodiscard]] std::optional<QStringList> mostUsed(Database& db);

} // namespace TreatmentTally
