#include "WaitingEntry.h"

#include "Cal.h"
#include "Schedule.h"

#include <QStringList>

namespace DayParts {

std::pair<int, int> range(DayPart part)
{
    switch (part) {
    case DayPart::Morning:
        return {Schedule::openingMinutes, Schedule::middayMinutes};
    case DayPart::Afternoon:
        return {Schedule::middayMinutes, Schedule::closingMinutes};
    case DayPart::Any:
        break;
    }
    return {Schedule::openingMinutes, Schedule::closingMinutes};
}

QString label(DayPart part)
{
    if (part == DayPart::Any)
        return QStringLiteral("Tutto il giorno");
    const auto [from, to] = range(part);
    return (part == DayPart::Morning ? QStringLiteral("Mattina (") : QStringLiteral("Pomeriggio ("))
        + Schedule::clockText(from) + u'\u2013' + Schedule::clockText(to) + u')';
}

QString key(DayPart part)
{
    switch (part) {
    case DayPart::Morning:
        return QStringLiteral("mattina");
    case DayPart::Afternoon:
        return QStringLiteral("pomeriggio");
    case DayPart::Any:
        break;
    }
    return QStringLiteral("qualsiasi");
}

DayPart fromKey(const QString& key)
{
    if (key == QLatin1String("mattina"))
        return DayPart::Morning;
    if (key == QLatin1String("pomeriggio"))
        return DayPart::Afternoon;
    return DayPart::Any;
}

} // namespace DayParts

bool WaitingEntry::wantsDay(const QDate& day) const
{
    if (from.isValid() && day < from)
        return false;
    if (until && day > *until)
        return false;
    const int index = Cal::weekdayIndex(day);
    return index < 5 && wantsWeekday(index);
}

QString WaitingEntry::weekdaysText() const
{
    if ((weekdays & everyWorkday) == everyWorkday)
        return QStringLiteral("Tutti i giorni");
    QStringList names;
    for (int i = 0; i < 5; ++i)
        if (wantsWeekday(i))
            names << Cal::capitalizedFirst(Cal::locale().dayName(i + 1, QLocale::ShortFormat));
    return names.join(QStringLiteral(", "));
}
