#include "Schedule.h"

#include "Appointment.h"

#include <algorithm>

namespace Schedule {

const QList<int>& startTimes()
{
    static const QList<int> times = [] {
        QList<int> t;
        for (int m = openingMinutes; m < closingMinutes; m += slotMinutes)
            t.append(m);
        return t;
    }();
    return times;
}

const QList<int>& durations()
{
    static const QList<int> lengths = [] {
        QList<int> d;
        for (int m = slotMinutes; m <= 240; m += slotMinutes)
            d.append(m);
        return d;
    }();
    return lengths;
}

QList<int> freeStarts(const QList<Appointment>& taken, int duration, int earliest, int latestEnd)
{
    QList<int> starts;
    if (duration < slotMinutes)
        return starts;
    const int first = std::max(openingMinutes, (earliest + slotMinutes - 1) / slotMinutes * slotMinutes);
    const int last = std::min(latestEnd, closingMinutes) - duration;
    for (int start = first; start <= last; start += slotMinutes) {
        const bool overlaps = std::any_of(taken.begin(), taken.end(), [&](const Appointment& a) {
            return a.startMinutes < start + duration && start < a.startMinutes + a.durationMinutes;
        });
        if (!overlaps)
            starts.append(start);
    }
    return starts;
}

QString clockText(int minutes)
{
    // Every block, row and search result shows times: the hours of a day are written directly, and
    // anything else goes through the general format.
    if (minutes >= 0 && minutes < 100 * 60) {
        const int h = minutes / 60;
        const int m = minutes % 60;
        const QChar text[] = {QChar(u'0' + h / 10), QChar(u'0' + h % 10), QChar(u':'), QChar(u'0' + m / 10),
                              QChar(u'0' + m % 10)};
        return QString(text, 5);
    }
    return QString::asprintf("%02d:%02d", minutes / 60, minutes % 60);
}

} // namespace Schedule

QString formatDuration(int minutes)
{
    const int h = minutes / 60;
    const int r = minutes % 60;
    if (h == 0)
        return QString::number(r) + QStringLiteral(" min");
    if (r == 0)
        return QString::number(h) + QStringLiteral(" h");
    return QString::number(h) + QStringLiteral(" h ") + QString::number(r) + QStringLiteral(" min");
}
