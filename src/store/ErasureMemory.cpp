#include "ErasureMemory.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

QList<qint64> sorted(QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// A cancellation moves a record between the agenda and the cancelled ones under the same id: an id is
// remembered once, as either.
ErasureMemory merged(const ErasureMemory& memory, const AnonymisedRecords& records, const std::optional<QDate>& before)
{
    ErasureMemory out = memory;
    out.records.appointments = sorted(memory.records.appointments + memory.records.cancelled + records.appointments
                                      + records.cancelled);
    out.records.cancelled.clear();
    out.records.waiting = sorted(memory.records.waiting + records.waiting);
    out.records.recalls = sorted(memory.records.recalls + records.recalls);
    if (before && (!out.before || *before > *out.before))
        out.before = before;
    return out;
}

bool write(const QString& path, const ErasureMemory& memory, QString* error)
{
    QJsonObject o = Anonymisation::recordsJson(memory.records);
    if (memory.before)
        o.insert(QStringLiteral("before"), memory.before->toString(Qt::ISODate));
    if (memory.seen > 0)
        o.insert(QStringLiteral("seen"), QJsonObject{{QStringLiteral("n"), memory.seen},
                                                      {QStringLiteral("hash"), memory.seenHash}});
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

ErasureMemory ErasureMemory::read(const QString& path, QString* error)
{
    ErasureMemory memory;
    QFile file(path);
    if (!file.exists())
        return memory;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return memory;
    }
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    memory.records = Anonymisation::recordsFrom(o);
    const QDate before = QDate::fromString(o.value(QStringLiteral("before")).toString(), Qt::ISODate);
    if (before.isValid())
        memory.before = before;
    const QJsonObject seen = o.value(QStringLiteral("seen")).toObject();
    memory.seen = seen.value(QStringLiteral("n")).toInteger();
    memory.seenHash = seen.value(QStringLiteral("hash")).toString();
    return memory;
}

bool ErasureMemory::add(const QString& path, const AnonymisedRecords& records, const std::optional<QDate>& before,
                        QString* error)
{
    const ErasureMemory memory = read(path, error);
    const ErasureMemory next = merged(memory, records, before);
    // Learnt again at every look at the log: a file that holds it all is not written.
    if (next.records == merged(memory, {}, {}).records && next.before == memory.before)
        return true;
    return write(path, next, error);
}

bool ErasureMemory::markSeen(const QString& path, qint64 n, const QString& hash, QString* error)
{
    ErasureMemory memory = read(path, error);
    if (memory.seen == n && memory.seenHash == hash)
        return true;
    memory.seen = n;
    memory.seenHash = hash;
    return write(path, memory, error);
}
