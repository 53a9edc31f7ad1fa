#pragma once

#include "Backup.h"

#include <QList>
#include <QString>

#include <memory>

class AgendaArchive;

// Looking into backups before one is restored: which there are, what they hold, and a copy of one to
// read as an agenda. Nothing here writes to a backup.
namespace Backup {

[[nodiscard]] bool isEncrypted(const QString& path);

// Every backup of the folder under a name the program gives, plain or encrypted, newest first (the day's
// backup, taken at its first start, before that day's on-demand ones); empty for a missing folder.
[[nodiscard]] QList<Found> listed(const QString& folder);

// A plain backup to read as an agenda: copied into `folder` (an existing, private working folder), brought
// up to this program's schema there, then opened on a read-only connection, so that every write fails.
// Throws DatabaseError (a damaged backup, one of a newer version, a copy that could not be made).
[[nodiscard]] std::unique_ptr<AgendaArchive> openCopy(const QString& backupPath, const QString& folder);

} // namespace Backup
