#include "Recall.h"

QDate RecallPlan::dueAfter(const QDate& visit) const
{
    if (months > 0)
        return visit.addMonths(months);
    return day.value_or(QDate());
}

namespace Recalls {

RecallPlan planOf(const Recall& recall)
{
    RecallPlan plan;
    plan.months = recall.months;
    if (recall.months <= 0)
        plan.day = recall.due;
    plan.kind = recall.kind;
    plan.consent = recall.consent;
    return plan;
}

QDate monthStart(const QDate& month)
{
    return QDate(month.year(), month.month(), 1);
}

QDate monthEnd(const QDate& month)
{
    return monthStart(month).addMonths(1).addDays(-1);
}

QDate closingFrom(const QDate& due)
{
    return due.addMonths(-1);
}

bool listedIn(const Recall& recall, const QDate& month, const QDate& today)
{
    if (recall.doNotCall || !recall.consent || (recall.pausedUntil && *recall.pausedUntil > today))
        return false;
    const bool inMonth = recall.due >= monthStart(month) && recall.due <= monthEnd(month);
    return inMonth || recall.due < today;
}

bool same(const std::optional<Recall>& a, const std::optional<Recall>& b)
{
    if (!a || !b)
        return !a && !b;
    Recall x = *a;
    x.id = b->id;
    x.createdAt = b->createdAt;
    return x == *b;
}

QString planText(const RecallPlan& plan)
{
    if (plan.months > 0)
        return QStringLiteral("tra %1 mesi").arg(plan.months);
    if (plan.day)
        return QStringLiteral("il ") + plan.day->toString(QStringLiteral("d/M/yyyy"));
    return QStringLiteral("nessuno");
}

} // namespace Recalls
