#include "Backup.h"

#include "Cal.h"
#include "Clock.h"
#include "Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString prefix = QStringLiteral("calvora-");
const QString partialSuffix = QStringLiteral(".part");
const QString journalSuffix = QStringLiteral("-journal");

// A partial file this old cannot belong to a backup still being written (a copy of the practice's
// database takes seconds), whatever computer on the shared folder started it.
constexpr qint64 stalePartialSeconds = 3600;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

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
        throw DatabaseError(systemError(errno));
    const int rc = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    if (rc != 0)
        throw DatabaseError(systemError(savedErrno));
}

// The database file's permission bits, which every backup gets.
mode_t databaseMode(const Database& db)
{
    struct stat source {};
    if (::stat(QFile::encodeName(db.path()).constData(), &source) == 0)
        return source.st_mode & 07777;
    return 0600;
}

// Creates the empty file that the copy goes into, already as private as the database (only the owner's
// right to write it is added until the copy is finished), so the practice's data is never readable by
// more people than the database itself, not even while it is being written. The name is new for every
// attempt: two programs on one shared folder backing up at the same moment never write into, check or
// rename each other's file.
QString createPartial(mode_t finalMode, const QString& target)
{
    const mode_t mode = finalMode | S_IRUSR | S_IWUSR;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString partial = target + u'.'
            + QString::number(QRandomGenerator::system()->generate64(), 36) + partialSuffix;
        const int fd = ::open(QFile::encodeName(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw DatabaseError(systemError(errno));
        }
        const int rc = ::fchmod(fd, mode); // the umask may have taken bits away
        const int savedErrno = errno;
        ::close(fd);
        if (rc != 0) {
            QFile::remove(partial);
            throw DatabaseError(systemError(savedErrno));
        }
        return partial;
    }
    throw DatabaseError(systemError(EEXIST));
}

// The copy is written under a name that is not a backup's, flushed, checked and only then renamed: a
// killed or failed backup never leaves a half-written file under a backup's name (a half-written daily
// file would stop that day's real backup).
void writeCopy(const Backup::Source& source, const QString& target)
{
    const mode_t mode = mode_t(source.permissions & 07777);
    const QString partial = createPartial(mode, target);
    try {
        source.writeCopy(partial);
        syncPath(partial, O_RDONLY);
        if (!Database::isIntact(partial))
            throw DatabaseError(QStringLiteral("la copia scritta non supera il controllo di integrità"));
        if (::chmod(QFile::encodeName(partial).constData(), mode) != 0)
            throw DatabaseError(systemError(errno));
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            throw DatabaseError(systemError(errno));
    } catch (...) {
        QFile::remove(partial);
        QFile::remove(partial + journalSuffix); // left by a copy that failed to finish its own commit
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

// Partial files (and their journals) left by a backup that was killed or hit a full disk. Age is measured against the
// backup just written, on the file system's own clock, so a computer whose clock is wrong cannot take
// another computer's fresh partial file for a stale one.
void removeStalePartials(const QString& folderPath, const QString& freshBackup)
{
    const QDateTime reference = QFileInfo(freshBackup).lastModified();
    if (!reference.isValid())
        return;
    QDir dir(folderPath);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!name.startsWith(prefix) || !(name.endsWith(partialSuffix) || name.endsWith(partialSuffix + journalSuffix)))
            continue;
        const QDateTime modified = entry.lastModified();
        if (modified.isValid() && modified.secsTo(reference) > stalePartialSeconds)
            dir.remove(entry.fileName());
    }
}

void take(const Backup::Source& source, const QString& fileName)
{
    const QString dir = Backup::folder(source);
    createFolder(dir);
    const QString target = dir + u'/' + fileName;
    writeCopy(source, target);
    prune(dir);
    removeStalePartials(dir, target);
}

} // namespace

namespace Backup {

Source fileSource(Database& db)
{
    // VACUUM INTO accepts an existing empty file and keeps its permission bits.
    return Source{QFileInfo(db.path()).absolutePath(), unsigned(databaseMode(db)),
                  [&db](const QString& emptyFile) { db.vacuumInto(emptyFile); }};
}

QString folder(const Database& db)
{
    return QFileInfo(db.path()).absolutePath() + QStringLiteral("/Backup");
}

QString folder(const Source& source)
{
    return source.dataFolder + QStringLiteral("/Backup");
}

QString now(Database& db)
{
    return now(fileSource(db));
}

QString now(const Source& source)
{
    const QString name = prefix + Clock::now().toString(QStringLiteral("yyyy-MM-dd_HHmmss")) + QStringLiteral(".sqlite");
    take(source, name);
    return folder(source) + u'/' + name;
}

void dailyIfNeeded(Database& db)
{
    dailyIfNeeded(fileSource(db));
}

void dailyIfNeeded(const Source& source)
{
    const QString name = prefix + Cal::dayKey(Clock::today()) + QStringLiteral(".sqlite");
    if (QFileInfo::exists(folder(source) + u'/' + name))
        return;
    take(source, name);
}

} // namespace Backup
