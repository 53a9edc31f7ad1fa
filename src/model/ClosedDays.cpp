#include "ClosedDays.h"

#include "Cal.h"

#include <QStringList>

#include <algorithm>

namespace ClosedDays {

QString toText(QList<ClosedPeriod> periods)
{
    std::stable_sort(periods.begin(), periods.end(),
                     [](const ClosedPeriod& a, const ClosedPeriod& b) { return a.from < b.from; });
    QStringList lines;
    for (const ClosedPeriod& p : periods) {
        // A reason is one line of text: tabs and line breaks would break the stored form.
        QString reason = p.reason.simplified();
        lines << Cal::dayKey(p.from) + u'\t' + Cal::dayKey(p.to) + u'\t' + reason;
    }
    return lines.join(u'\n');
}

QList<ClosedPeriod> fromText(const QString& text)
{
    QList<ClosedPeriod> periods;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 2)
            continue;
        const std::optional<QDate> from = Cal::parseDayKey(fields[0].trimmed());
        const std::optional<QDate> to = Cal::parseDayKey(fields[1].trimmed());
        if (!from || !to || *to < *from)
            continue;
        periods.append({*from, *to, fields.mid(2).join(u' ').trimmed()});
    }
    return periods;
}

std::optional<ClosedPeriod> periodOn(const QList<ClosedPeriod>& periods, const QDate& day)
{
    for (const ClosedPeriod& p : periods)
        if (p.contains(day))
            return p;
    return std::nullopt;
}

QDate easterSunday(int year)
{
    // The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

QList<ClosedPeriod> italianHolidays(int year)
{
    const QList<std::pair<QDate, QString>> holidays{
        {QDate(year, 1, 1), QStringLiteral("Capodanno")},
        {QDate(year, 1, 6), QStringLiteral("Epifania")},
        {easterSunday(year).addDays(1), QStringLiteral("Lunedì dell'Angelo")},
        {QDate(year, 4, 25), QStringLiteral("Festa della Liberazione")},
        {QDate(year, 5, 1), QStringLiteral("Festa del Lavoro")},
        {QDate(year, 6, 2), QStringLiteral("Festa della Repubblica")},
        {QDate(year, 8, 15), QStringLiteral("Ferragosto")},
        {QDate(year, 11, 1), QStringLiteral("Ognissanti")},
        {QDate(year, 12, 8), QStringLiteral("Immacolata Concezione")},
        {QDate(year, 12, 25), QStringLiteral("Natale")},
        {QDate(year, 12, 26), QStringLiteral("Santo Stefano")},
    };
    QList<ClosedPeriod> periods;
    for (const auto& [day, name] : holidays)
        if (Cal::isWorkday(day))
            periods.append({day, day, name});
    std::stable_sort(periods.begin(), periods.end(),
                     [](const ClosedPeriod& a, const ClosedPeriod& b) { return a.from < b.from; });
    return periods;
}

QList<ClosedPeriod> missingHolidays(const QList<ClosedPeriod>& periods, int year)
{
    QList<ClosedPeriod> missing;
    for (const ClosedPeriod& holiday : italianHolidays(year))
        if (!periodOn(periods, holiday.from))
            missing.append(holiday);
    return missing;
}

} // namespace ClosedDays
