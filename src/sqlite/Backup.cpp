#include "Backup.h"

#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "ExclusiveLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString prefix = QStringLiteral("calvora-");

// Today's backup: "calvora-yyyy-MM-dd.sqlite".
QString dailyName()
{
    return prefix + Cal::dayKey(Clock::today()) + QStringLiteral(".sqlite");
}
const QString partialSuffix = QStringLiteral(".part");
const QString journalSuffix = QStringLiteral("-journal");

// The two names of a backup: daily "calvora-2026-03-09.sqlite", on demand "calvora-2026-03-09_174502.sqlite".
const QString backupPattern = QStringLiteral("calvora-([0-9]{4}-[0-9]{2}-[0-9]{2})(?:_([0-9]{6}))?\\.sqlite");

// The names of partial copies: a backup's name, the random part createPartial adds (earlier versions
// added none), ".part", and the journal a copy that failed to commit leaves.
const QRegularExpression& partialName()
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        backupPattern + QStringLiteral("(?:\\.[0-9a-z]{1,13})?\\.part(?:-journal)?")));
    return pattern;
}

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

// The database file's permission bits, which every backup (and a restored copy) gets.
mode_t databaseMode(const QString& path)
{
    struct stat source {};
    if (::stat(QFile::encodeName(path).constData(), &source) == 0)
        return source.st_mode & 07777;
    return 0600;
}

// Creates the empty file that the copy goes into, already as private as the database (only the owner's
// right to write it is added until the copy is finished), so the practice's data is never readable by
// more people than the database itself, not even while it is being written. The name is new for every
// attempt: two programs on one shared folder backing up at the same moment never write into, check or
// rename each other's file.
QString createPartial(mode_t finalMode, const QString& target, QString (*describe)(int) = systemError)
{
    const mode_t mode = finalMode | S_IRUSR | S_IWUSR;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString partial = target + u'.'
            + QString::number(QRandomGenerator::system()->generate64(), 36) + partialSuffix;
        const int fd = ::open(QFile::encodeName(partial).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw DatabaseError(describe(errno));
        }
        const int rc = ::fchmod(fd, mode); // the umask may have taken bits away
        const int savedErrno = errno;
        ::close(fd);
        if (rc != 0) {
            QFile::remove(partial);
            throw DatabaseError(describe(savedErrno));
        }
        return partial;
    }
    throw DatabaseError(describe(EEXIST));
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
    // Only the two names of the regular backups count: the copy kept before an upgrade stays.
    static const QRegularExpression backupName(QRegularExpression::anchoredPattern(backupPattern));
    for (const QFileInfo& entry : entries)
        if (backupName.match(entry.fileName()).hasMatch())
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
        // Another file of the user's may start with "calvora-" and end in ".part" too.
        if (!partialName().match(entry.fileName()).hasMatch())
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

// A copy fit to work on: intact, and of a schema version this program knows.
bool isSound(const QString& path)
{
    const std::optional<int> version = Database::fileVersion(path);
    return version && *version >= 1 && *version <= Database::schemaVersion && Database::isIntact(path);
}

// Copies a file's bytes into an existing file and flushes them.
void copyInto(const QString& from, const QString& to)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly))
        throw DatabaseError(in.errorString());
    if (!out.open(QIODevice::WriteOnly))
        throw DatabaseError(out.errorString());
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size())
            throw DatabaseError(out.errorString());
    }
    if (in.error() != QFileDevice::NoError)
        throw DatabaseError(in.errorString());
    if (!out.flush())
        throw DatabaseError(out.errorString());
    out.close();
    syncPath(to, O_RDONLY);
}

// The files SQLite keeps beside a database; they belong to it and go wherever it goes (a journal left
// behind would be played back into the next file of that name).
const QStringList companionSuffixes{QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")};

struct KeptAside {
    QString path;
    bool linked = false; // a second name: the database's own name still holds it
};

// Gives the damaged database a dated name beside it. A hard link keeps it under its own name as well
// until the restored copy replaces that; where the file system has no links it is renamed.
KeptAside keepAside(const QString& databasePath, const QString& asidePrefix)
{
    const QString stamp = Clock::now().toString(QStringLiteral("yyyy-MM-dd_HHmmss"));
    const QString base = QFileInfo(databasePath).absolutePath() + u'/' + asidePrefix + stamp;
    const QByteArray from = QFile::encodeName(databasePath);
    for (int n = 1; n < 100; ++n) {
        KeptAside kept{base + (n > 1 ? QStringLiteral("-") + QString::number(n) : QString()) + QStringLiteral(".sqlite")};
        const QByteArray to = QFile::encodeName(kept.path);
        if (QFileInfo::exists(kept.path) || QFileInfo(kept.path).isSymLink())
            continue;
        kept.linked = ::link(from.constData(), to.constData()) == 0;
        if (!kept.linked && errno == EEXIST)
            continue;
        if (!kept.linked && std::rename(from.constData(), to.constData()) != 0)
            throw DatabaseError(systemError(errno));
        for (const QString& suffix : companionSuffixes) {
            const QString companion = databasePath + suffix;
            if (QFileInfo::exists(companion)
                && std::rename(QFile::encodeName(companion).constData(), QFile::encodeName(kept.path + suffix).constData())
                    != 0)
                throw DatabaseError(systemError(errno));
        }
        return kept;
    }
    throw DatabaseError(systemError(EEXIST));
}

// Why a copy into another folder failed, in the words the receptionist reads: a drive or share that is
// full or will not take files says so plainly.
QString placeError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("la cartella è piena (spazio esaurito)");
    case EACCES:
    case EPERM:
        return QStringLiteral("la cartella non permette di scrivere");
    case EROFS:
        return QStringLiteral("la cartella è su un disco in sola lettura");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("la cartella non c'è (disco scollegato?)");
    default:
        return systemError(error);
    }
}

// Copies a file's bytes into an existing file and flushes them; errors as placeError says them.
void copyBytes(const QString& from, const QString& to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw DatabaseError(systemError(errno));
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw DatabaseError(placeError(error));
    }
    std::vector<char> buffer(1 << 20);
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < got && !error;) {
            const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                error = errno;
            done += put > 0 ? put : 0;
        }
        if (error)
            break;
    }
    if (!error && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && !error)
        error = errno;
    ::close(in);
    if (error)
        throw DatabaseError(placeError(error));
}

// Appointments and dentists of a backup file, read on a connection of its own.
std::pair<qint64, qint64> recordCounts(const QString& path)
{
    const std::unique_ptr<Database> reader = Database::openReader(path);
    return reader
        ->query(QStringLiteral("SELECT (SELECT COUNT(*) FROM appointments), (SELECT COUNT(*) FROM dentists)"), {},
                [](const SQLRow& row) { return std::pair<qint64, qint64>(row.integer(0), row.integer(1)); })
        .value(0, {-1, -1});
}

} // namespace

namespace Backup {

Source fileSource(Database& db)
{
    // VACUUM INTO accepts an existing empty file and keeps its permission bits.
    return Source{QFileInfo(db.path()).absolutePath(), unsigned(databaseMode(db.path())),
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

QString keepVersion(Database& db, int version)
{
    const QString name = prefix + QStringLiteral("versione-") + QString::number(version) + u'-'
        + Clock::now().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".sqlite");
    take(fileSource(db), name);
    return folder(db) + u'/' + name;
}

void dailyIfNeeded(Database& db)
{
    dailyIfNeeded(fileSource(db));
}

QString dailyPath(const QString& backupFolder)
{
    return backupFolder + u'/' + dailyName();
}

bool dailyTaken(const QString& backupFolder)
{
    return QFileInfo::exists(dailyPath(backupFolder));
}

void dailyIfNeeded(const Source& source)
{
    if (!dailyTaken(folder(source)))
        take(source, dailyName());
}

std::optional<Found> named(const QString& path, const QString& suffix)
{
    static const QRegularExpression name(QRegularExpression::anchoredPattern(backupPattern));
    const QString fileName = QFileInfo(path).fileName();
    if (!fileName.endsWith(suffix))
        return std::nullopt;
    const QRegularExpressionMatch parts = name.match(fileName.chopped(suffix.size()));
    if (!parts.hasMatch())
        return std::nullopt;
    Found found{path, QDate::fromString(parts.captured(1), QStringLiteral("yyyy-MM-dd")), std::nullopt};
    if (parts.hasCaptured(2))
        found.time = QTime::fromString(parts.captured(2), QStringLiteral("HHmmss"));
    if (!found.day.isValid() || (found.time && !found.time->isValid()))
        return std::nullopt;
    return found;
}

std::optional<Found> newestSound(const QString& backupFolder)
{
    QStringList names;
    const QFileInfoList entries = QDir(backupFolder).entryInfoList(QDir::Files, QDir::NoSort);
    for (const QFileInfo& entry : entries)
        if (named(entry.fileName()))
            names.append(entry.fileName());
    // As for pruning: descending names put the newest first.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a > b; });
    for (const QString& candidate : names) {
        const QString path = backupFolder + u'/' + candidate;
        if (isSound(path))
            return named(path);
    }
    return std::nullopt;
}

QString copyChecked(const QString& backupPath, const QString& folderPath)
{
    if (!QFileInfo(folderPath).isDir())
        throw DatabaseError(placeError(ENOENT));
    const QString target = folderPath + u'/' + QFileInfo(backupPath).fileName();
    const std::pair<qint64, qint64> expected = recordCounts(backupPath);
    // Private like the backup itself: a share may be read by more people than the data folder.
    const QString partial = createPartial(databaseMode(backupPath), target, placeError);
    try {
        copyBytes(backupPath, partial);
        if (!Database::isIntact(partial))
            throw DatabaseError(QStringLiteral("la copia riletta non supera il controllo di integrità"));
        if (recordCounts(partial) != expected)
            throw DatabaseError(QStringLiteral("la copia riletta non ha gli stessi appuntamenti e dentisti del backup"));
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
            throw DatabaseError(placeError(errno));
    } catch (...) {
        QFile::remove(partial);
        QFile::remove(partial + journalSuffix);
        throw;
    }
    try {
        syncPath(folderPath, O_RDONLY | O_DIRECTORY);
    } catch (const DatabaseError&) {
        // Some network shares cannot flush a folder; the copy itself is flushed and checked.
    }
    prune(folderPath);
    removeStalePartials(folderPath, target);
    return target;
}

QString restore(const QString& backupPath, const QString& databasePath, const QString& asidePrefix)
{
    const mode_t mode = databaseMode(databasePath);
    const QString partial = createPartial(mode, databasePath);
    KeptAside kept;
    try {
        copyInto(backupPath, partial);
        if (!isSound(partial))
            throw DatabaseError(QStringLiteral("la copia del backup non supera il controllo di integrità"));
        if (::chmod(QFile::encodeName(partial).constData(), mode) != 0)
            throw DatabaseError(systemError(errno));
        // Held until the copy has the name: no other program is then reading or writing the file, or has
        // a journal of a write under way that would end up beside the copy. Programs that keep the file
        // open notice the new one by its identity before they touch either (see Database::replaced).
        const ExclusiveLock held(databasePath);
        kept = keepAside(databasePath, asidePrefix);
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(databasePath).constData()) != 0) {
            const int error = errno;
            if (!kept.linked) // put the old file back under its name
                (void)std::rename(QFile::encodeName(kept.path).constData(), QFile::encodeName(databasePath).constData());
            throw DatabaseError(systemError(error));
        }
    } catch (...) {
        QFile::remove(partial);
        QFile::remove(partial + journalSuffix);
        throw;
    }
    try {
        syncPath(QFileInfo(databasePath).absolutePath(), O_RDONLY | O_DIRECTORY);
    } catch (const DatabaseError&) {
        // The copy is in place and flushed; only the new names may not survive a power cut yet.
    }
    return kept.path;
}

} // namespace Backup
