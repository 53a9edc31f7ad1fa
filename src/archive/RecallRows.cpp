#include "RecallRows.h"

namespace RecallRows {

SQLArgs args(const Recall& r)
{
    return {r.appointmentId,
            r.patient,
            r.phone,
            r.kind,
            Cal::dayKey(r.due),
            Cal::dayKey(Recalls::closingFrom(r.due)),
            r.months,
            Cal::dayKey(r.lastVisit),
            r.attempts,
            r.lastAttemptAt,
            r.pausedUntil ? SQLValue(Cal::dayKey(*r.pausedUntil)) : SQLValue::null(),
            r.doNotCall ? 1 : 0,
            r.consent ? 1 : 0};
}

QList<SQLArgs> copiedArgs(const QList<Recall>& recalls)
{
    QList<SQLArgs> rows;
    for (const Recall& r : recalls) {
        rows.append(SQLArgs{r.id} + args(r));
        rows.last().append(r.createdAt);
    }
    return rows;
}

} // namespace RecallRows
