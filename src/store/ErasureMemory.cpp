#include "ErasureMemory.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

QList<qint64> idsOf(const QJsonValue& value)
{
    QList<qint64> ids;
    for (const QJsonValue& v : value.toArray())
        ids << v.toInteger();
    return ids;
}

QJsonArray arrayOf(QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QJsonArray out;
    for (const qint64 id : ids)
        out.append(id);
    return out;
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
    memory.records.appointments = idsOf(o.value(QStringLiteral("appointments")));
    memory.records.cancelled = idsOf(o.value(QStringLiteral("cancelled")));
    memory.records.waiting = idsOf(o.value(QStringLiteral("waiting")));
    const QDate before = QDate::fromString(o.value(QStringLiteral("before")).toString(), Qt::ISODate);
    if (before.isValid())
        memory.before = before;
    return memory;
}

bool ErasureMemory::add(const QString& path, const AnonymisedRecords& records, const std::optional<QDate>& before,
                        QString* error)
{
    ErasureMemory memory = read(path, error);
    // A cancellation moves a record between the agenda and the cancelled ones under the same id: an id is
    // remembered once, as either.
    const QList<qint64> agenda = memory.records.appointments + memory.records.cancelled + records.appointments
        + records.cancelled;
    QJsonObject o{{QStringLiteral("appointments"), arrayOf(agenda)},
                  {QStringLiteral("cancelled"), QJsonArray()},
                  {QStringLiteral("waiting"), arrayOf(memory.records.waiting + records.waiting)}};
    std::optional<QDate> limit = memory.before;
    if (before && (!limit || *before > *limit))
        limit = before;
    if (limit)
        o.insert(QStringLiteral("before"), limit->toString(Qt::ISODate));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
