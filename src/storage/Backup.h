#pragma once

#include <QString>

class Database;

// Copies of the database in the "Backup" folder beside it: one per day at start-up and any number on
// demand, pruned to the newest `keptFiles` after each successful backup.
namespace Backup {

inline constexpr int keptFiles = 60;

// "<folder of the database>/Backup".
[[nodiscard]] QString folder(const Database& db);

// Takes an on-demand backup "calvora-yyyy-MM-dd_HHmmss.sqlite" and returns its path. Throws DatabaseError.
QString now(Database& db);

// Takes today's "calvora-yyyy-MM-dd.sqlite" unless something already exists at that path. Throws DatabaseError.
void dailyIfNeeded(Database& db);

} // namespace Backup
