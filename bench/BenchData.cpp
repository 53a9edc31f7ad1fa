#include "BenchData.h"

#include "Database.h"
#include "LargeDatabase.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>
#include <memory>

namespace {

// Folders made during the run; QTemporaryDir removes each at exit.
QList<std::shared_ptr<QTemporaryDir>>& folders()
{
    static QList<std::shared_ptr<QTemporaryDir>> list;
    return list;
}

QString newFolder()
{
    auto dir = std::make_shared<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/calvora-bench-XXXXXX"));
    if (!dir->isValid()) {
        QTextStream(stderr) << "cannot create a temporary folder\n";
        std::exit(2);
    }
    folders().append(dir);
    return dir->path();
}

[[noreturn]] void fail(const QString& what)
{
    QTextStream(stderr) << what << '\n';
    std::exit(2);
}

} // namespace

namespace BenchData {

QDateTime pinnedMoment()
{
    return QDateTime(QDate(2024, 12, 4), QTime(10, 0));
}

QString pristineDatabase()
{
    static const QString path = [] {
        const QString given = qEnvironmentVariable("CALVORA_BENCH_DB");
        if (!given.isEmpty()) {
            if (!QFile::exists(given))
                fail(QStringLiteral("CALVORA_BENCH_DB names no file: ") + given);
            return given;
        }
        const QString file = newFolder() + QStringLiteral("/large.sqlite");
        try {
            Database db(file);
            LargeDatabase::fill(db);
        } catch (const DatabaseError& error) {
            fail(QStringLiteral("cannot generate the large database: ") + error.message());
        }
        return file;
    }();
    return path;
}

QString scratchFolder()
{
    const QString source = pristineDatabase();
    const QString folder = newFolder();
    if (!QFile::copy(source, folder + QStringLiteral("/calvora.sqlite")))
        fail(QStringLiteral("cannot copy ") + source);
    return folder;
}

Memory residentMemory()
{
    Memory memory;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return memory;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        if (parts[0] == "VmRSS:")
            memory.rssKb = parts[1].toLongLong();
        else if (parts[0] == "VmHWM:")
            memory.peakKb = parts[1].toLongLong();
    }
    return memory;
}

} // namespace BenchData
