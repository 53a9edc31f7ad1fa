#include "WaitingRows.h"

namespace WaitingRows {

SQLArgs args(const WaitingEntry& e)
{
    return {e.patient,
            e.phone,
            e.durationMinutes,
            e.dentistId ? SQLValue(*e.dentistId) : SQLValue::null(),
            e.weekdays,
            DayParts::key(e.part),
            Cal::dayKey(e.from),
            e.until ? SQLValue(Cal::dayKey(*e.until)) : SQLValue::null(),
            e.note};
}

QList<SQLArgs> copiedArgs(const QList<WaitingEntry>& entries)
{
    QList<SQLArgs> rows;
    for (const WaitingEntry& e : entries) {
        rows.append(args(e));
        rows.last().append(e.createdAt);
    }
    return rows;
}

} // namespace WaitingRows
