#pragma once

#include <QString>

class Database;

// Copies of the database in the "Backup" folder beside it: one per day at start-up and any number on
// demand, pruned to the newest `keptFiles` after each successful backup. A copy appears under its
// name only complete, flushed, checked and with the database's permission bits; until then it is a
// "<name>.<random>.part" file, which never counts as a backup and is removed after a failure, or by a
// later successful backup once it is more than an hour older than that backup.
namespace Backup {

inline constexpr int keptFiles = 60;

// "<folder of the database>/Backup".
[[nodiscard]] QString folder(const Database& db);

// Takes an on-demand backup "calvora-yyyy-MM-dd_HHmmss.sqlite" and returns its path. Throws DatabaseError.
QString now(Database& db);

// Takes today's "calvora-yyyy-MM-dd.sqlite" unless something already exists at that path. Throws DatabaseError.
void dailyIfNeeded(Database& db);

} // namespace Backup
