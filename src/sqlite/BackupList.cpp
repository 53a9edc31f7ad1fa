#include "BackupList.h"

#include "Database.h"
#include "SqliteArchive.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Backup {

bool isEncrypted(const QString& path)
{
    return path.endsWith(encryptedSuffix);
}

QList<Found> listed(const QString& folder)
{
    QList<Found> found;
    if (folder.isEmpty())
        return found;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (std::optional<Found> backup = named(path, isEncrypted(path) ? encryptedSuffix : QString()))
            found.append(*backup);
    }
    const auto moment = [](const Found& f) { return QDateTime(f.day, f.time.value_or(QTime(0, 0))); };
    std::stable_sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
        if (moment(a) != moment(b))
            return moment(a) > moment(b);
        return a.path > b.path;
    });
    return found;
}

std::unique_ptr<AgendaArchive> openCopy(const QString& backupPath, const QString& folder)
{
    const QString copy = folder + QStringLiteral("/calvora.sqlite");
    QFile::remove(copy);
    QFile source(backupPath);
    if (!source.copy(copy))
        throw DatabaseError(QStringLiteral("impossibile copiare il backup: ") + source.errorString());
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // An older version's backup is upgraded here, in the copy only, and a newer one refused. A backup of
    // this version passed its integrity check when it was written: reading all its pages again would
    // double the time the receptionist waits (a damaged page still fails the reading that meets it).
    { const Database upgraded(copy, Database::StructureCheck::Apart); }
    return std::make_unique<SqliteArchive>(Database::openReader(copy));
}

} // namespace Backup
