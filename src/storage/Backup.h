#pragma once

#include <QString>

#include <functional>

class Database;

// Copies of the database in the "Backup" folder beside it: one per day at start-up and any number on
// demand, pruned to the newest `keptFiles` after each successful backup. A copy appears under its
// name only complete, flushed, checked and with the database's permission bits; until then it is a
// "<name>.<random>.part" file, which never counts as a backup and is removed after a failure, or by a
// later successful backup once it is more than an hour older than that backup.
namespace Backup {

inline constexpr int keptFiles = 60;

// What a backup copies, whichever archive keeps the agenda: the data folder whose "Backup" folder
// receives the copies, the permission bits every copy gets, and the writer that puts a complete agenda
// database (same schema, user_version 1) into an existing empty file, throwing DatabaseError on failure.
struct Source {
    QString dataFolder;
    unsigned permissions = 0600;
    std::function<void(const QString& emptyFile)> writeCopy;
};

// The SQLite file of the data folder: its folder, its own permission bits and VACUUM INTO.
[[nodiscard]] Source fileSource(Database& db);

// "<folder of the database>/Backup".
[[nodiscard]] QString folder(const Database& db);
[[nodiscard]] QString folder(const Source& source);

// Takes an on-demand backup "calvora-yyyy-MM-dd_HHmmss.sqlite" and returns its path. Throws DatabaseError.
QString now(Database& db);
QString now(const Source& source);

// Takes today's "calvora-yyyy-MM-dd.sqlite" unless something already exists at that path. Throws DatabaseError.
void dailyIfNeeded(Database& db);
void dailyIfNeeded(const Source& source);

} // namespace Backup
