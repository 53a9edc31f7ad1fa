#pragma once

#include "AgendaArchive.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

class Database;

// Copies of the database in the "Backup" folder beside it: one per day at start-up and any number on
// demand, pruned to the newest `keptFiles` after each successful backup. A copy appears under its
// name only complete, flushed, checked and with the database's permission bits; until then it is a
// "<name>.<random>.part" file, which never counts as a backup and is removed after a failure, or by a
// later successful backup once it is more than an hour older than that backup. Only files under names
// the program makes are ever removed.
namespace Backup {

inline constexpr int keptFiles = AgendaArchive::keptBackups;

// What a backup copies, whichever archive keeps the agenda: the data folder whose "Backup" folder
// receives the copies, the permission bits every copy gets, and the writer that puts a complete agenda
// database (same schema and version) into an existing empty file, throwing DatabaseError on failure.
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

// Keeps a copy of the database as it is now, before its upgrade from `version`, as
// "calvora-versione-<version>-yyyy-MM-dd_HH-mm-ss.sqlite"; pruning never removes it. Returns its path.
// Throws DatabaseError.
QString keepVersion(Database& db, int version);

// Today's "calvora-yyyy-MM-dd.sqlite" in the backup folder.
[[nodiscard]] QString dailyPath(const QString& backupFolder);
// Whether something exists at today's "calvora-yyyy-MM-dd.sqlite" in the backup folder.
[[nodiscard]] bool dailyTaken(const QString& backupFolder);
// Takes today's "calvora-yyyy-MM-dd.sqlite" unless something already exists at that path. Throws DatabaseError.
void dailyIfNeeded(Database& db);
void dailyIfNeeded(const Source& source);

// Copies a backup into another folder (the practice's second place: an external drive, a network share)
// under a partial name, reads the copy back (PRAGMA integrity_check, and as many appointments and
// dentists as the backup holds) and only then gives it the backup's name; then keeps the newest
// `keptFiles` backups there, as in the backup folder. Returns the copy's path. Throws DatabaseError with
// the reason in Italian (a missing folder, a full or read-only one, a copy that failed its check);
// nothing is then left in the folder.
QString copyChecked(const QString& backupPath, const QString& folder);

// A backup found in a backup folder, under one of the two names the program gives them.
struct Found {
    QString path;
    QDate day;
    std::optional<QTime> time; // on-demand backups only; the daily one is taken at the day's first start
};

// The backup a file name stands for (the path as given), when it is one of the two names the program gives
// backups followed by `suffix` (".cifrato" for an encrypted copy); absent for any other name.
[[nodiscard]] std::optional<Found> named(const QString& path, const QString& suffix = QString());

// The newest backup of the folder (by the moment in its name) that passes PRAGMA integrity_check and
// whose schema version this program knows; absent when none does. Reads only.
[[nodiscard]] std::optional<Found> newestSound(const QString& backupFolder);

// The name a damaged file is kept aside under, before its date: "calvora-danneggiato-".
inline const QString damagedPrefix = QStringLiteral("calvora-danneggiato-");
// The name the agenda is kept aside under when the receptionist restores a backup over it.
inline const QString beforeRestorePrefix = QStringLiteral("calvora-prima-del-ripristino-");

// Puts a copy of a backup in the place of the database at databasePath, which is kept aside, never
// changed, as "<asidePrefix>yyyy-MM-dd_HHmmss.sqlite" in its folder (with its journal files, if any). The copy is written beside it under a temporary name with the database's permission bits,
// flushed and checked, and only then renamed, while the old file is held with SQLite's exclusive lock.
// Returns the path the old file was kept under. Throws DatabaseError, of kind InUse when another program
// still reads or writes the old file after a short wait; the old file is then still at databasePath.
QString restore(const QString& backupPath, const QString& databasePath, const QString& asidePrefix = damagedPrefix);

} // namespace Backup
