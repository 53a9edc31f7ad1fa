#pragma once

#include <QtGlobal>

class Database;

// A realistic activity log for measurements: the entries a busy practice's reception leaves (bookings
// with every field, edits, moves, statuses, call attempts, cancellations, deletes, a daily backup),
// sealed in one chain after whatever the file's log already holds, as the program would seal them.
namespace LargeLog {

// Appends `entries` entries to the database's log in one transaction; deterministic for a given seed.
// Throws DatabaseError.
void append(Database& db, qint64 entries, quint64 seed = 11);

} // namespace LargeLog
