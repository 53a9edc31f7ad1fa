#include "Backup.h"

#include "Cal.h"
#include "Clock.h"
#include "Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString prefix = QStringLiteral("calvora-");
const QString partialSuffix = QStringLiteral(".part");

void createFolder(const QString& path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), error);
    if (error)
        throw DatabaseError(QString::fromStdString(error.message()));
}

// Flushes a file or a folder entry to the disk; failures are reported as errors of the backup.
void syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        throw DatabaseError(QString::fromLocal8Bit(std::strerror(errno)));
    const int rc = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    if (rc != 0)
        throw DatabaseError(QString::fromLocal8Bit(std::strerror(savedErrno)));
}

// The copy is written under a name that is not a backup's, flushed, checked, given the database's
// permission bits and only then renamed: a killed or failed backup never leaves a half-written file
// under a backup's name (a half-written daily file would stop that day's real backup).
void writeCopy(Database& db, const QString& target)
{
    const QString partial = target + partialSuffix;
    try {
        db.backup(partial);
        syncPath(partial, O_RDONLY);
        if (!Database::isIntact(partial))
            throw DatabaseError(QStringLiteral("la copia scritta non supera il controllo di integrità"));
        QFile::setPermissions(partial, QFile::permissions(db.path()));
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            throw DatabaseError(QString::fromLocal8Bit(std::strerror(errno)));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    syncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY);
}

void prune(const QString& folderPath)
{
    QDir dir(folderPath);
    if (!dir.exists())
        return;
    QStringList names;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries)
        if (entry.fileName().startsWith(prefix) && entry.suffix() == u"sqlite")
            names.append(entry.fileName());
    if (names.size() <= Backup::keptFiles)
        return;
    // Both name patterns begin with the date, so descending order puts the newest first.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a > b; });
    for (qsizetype i = Backup::keptFiles; i < names.size(); ++i)
        dir.remove(names[i]);
}

void take(Database& db, const QString& fileName)
{
    const QString dir = Backup::folder(db);
    createFolder(dir);
    writeCopy(db, dir + u'/' + fileName);
    prune(dir);
}

} // namespace

namespace Backup {

QString folder(const Database& db)
{
    return QFileInfo(db.path()).absolutePath() + QStringLiteral("/Backup");
}

QString now(Database& db)
{
    const QString name = prefix + Clock::now().toString(QStringLiteral("yyyy-MM-dd_HHmmss")) + QStringLiteral(".sqlite");
    take(db, name);
    return folder(db) + u'/' + name;
}

void dailyIfNeeded(Database& db)
{
    const QString name = prefix + Cal::dayKey(Clock::today()) + QStringLiteral(".sqlite");
    if (QFileInfo::exists(folder(db) + u'/' + name))
        return;
    take(db, name);
}

} // namespace Backup
