#include "Schedule.h"

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

QString clockText(int minutes)
{
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
