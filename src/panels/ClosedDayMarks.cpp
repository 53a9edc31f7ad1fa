#include "ClosedDayMarks.h"

#include "Store.h"

#include <QCalendarWidget>
#include <QTextCharFormat>

namespace ClosedDayMarks {

void mark(QCalendarWidget* calendar, const QList<ClosedPeriod>& periods)
{
    calendar->setDateTextFormat(QDate(), QTextCharFormat());
    if (periods.isEmpty())
        return;
    // A page shows six weeks, starting in the week before the month when the month starts a week.
    const QDate first = QDate(calendar->yearShown(), calendar->monthShown(), 1);
    const int daysBefore = (first.dayOfWeek() - int(calendar->firstDayOfWeek()) + 7) % 7;
    const QDate from = first.addDays(-(daysBefore == 0 ? 7 : daysBefore));
    const QDate to = from.addDays(6 * 7 - 1);
    QTextCharFormat closed;
    closed.setForeground(calendar->palette().color(QPalette::Disabled, QPalette::Text));
    closed.setFontStrikeOut(true);
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        const std::optional<ClosedPeriod> period = ClosedDays::periodOn(periods, day);
        if (!period)
            continue;
        const QString reason = period->reason.trimmed();
        closed.setToolTip(reason.isEmpty() ? QStringLiteral("Studio chiuso")
                                           : QStringLiteral("Studio chiuso: ") + reason);
        calendar->setDateTextFormat(day, closed);
    }
}

void follow(QCalendarWidget* calendar, const Store& store)
{
    mark(calendar, store.closedPeriods());
    QObject::connect(calendar, &QCalendarWidget::currentPageChanged, calendar,
                     [calendar, &store] { mark(calendar, store.closedPeriods()); });
}

} // namespace ClosedDayMarks
