#include "ClosedDays.h"

#include "Cal.h"

#include <QStringList>

#include <algorithm>
#include <limits>

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

namespace {

// A public holiday and the years in which the law makes it one (both ends included).
struct Holiday {
    QDate (*dayIn)(int year);
    const char16_t* name;
    int firstYear = std::numeric_limits<int>::min();
    int lastYear = std::numeric_limits<int>::max();
};

template <int Month, int Day>
QDate fixed(int year)
{
    return QDate(year, Month, Day);
}

QDate easterMonday(int year)
{
    return easterSunday(year).addDays(1);
}

// The list as the law of 1977 left it, with what came and went since: the Epiphany came back in 1986,
// the Republic's day (kept on the first Sunday of June from 1977) on 2 June again in 2001, the
// Unity's 150th anniversary was a holiday once, and the patron saints' day is one from 2026.
const Holiday holidays[] = {
    {fixed<1, 1>, u"Capodanno"},
    {fixed<1, 6>, u"Epifania", 1986},
    {fixed<3, 17>, u"Anniversario dell'Unità d'Italia", 2011, 2011},
    {easterMonday, u"Lunedì dell'Angelo"},
    {fixed<4, 25>, u"Festa della Liberazione"},
    {fixed<5, 1>, u"Festa del Lavoro"},
    {fixed<6, 2>, u"Festa della Repubblica", 2001},
    {fixed<8, 15>, u"Ferragosto"},
    {fixed<10, 4>, u"San Francesco d'Assisi", 2026},
    {fixed<11, 1>, u"Ognissanti"},
    {fixed<12, 8>, u"Immacolata Concezione"},
    {fixed<12, 25>, u"Natale"},
    {fixed<12, 26>, u"Santo Stefano"},
};

} // namespace

QList<ClosedPeriod> italianHolidays(int year)
{
    QList<ClosedPeriod> periods;
    for (const Holiday& holiday : holidays) {
        const QDate day = holiday.dayIn(year);
        if (year < holiday.firstYear || year > holiday.lastYear || !Cal::isWorkday(day))
            continue;
        const QString name = QString::fromUtf16(holiday.name);
        // Two holidays on one day (Easter Monday on 25 April) close it once, with both names.
        const auto same = std::find_if(periods.begin(), periods.end(),
                                       [&](const ClosedPeriod& p) { return p.from == day; });
        if (same != periods.end())
            same->reason += QStringLiteral(" e ") + name;
        else
            periods.append({day, day, name});
    }
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
