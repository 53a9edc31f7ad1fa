#include "Cal.h"

#include <QTimeZone>

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <map>
#include <memory>
#include <mutex>

namespace {

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

class SkeletonFormatters {
public:
    QString format(const QDateTime& wallClock, const QString& skeleton)
    {
        std::lock_guard lock(m_mutex);
        icu::SimpleDateFormat* formatter = formatterFor(skeleton);
        if (!formatter)
            return QString();
        // The wall-clock time is handed to ICU as UTC and formatted in UTC, so the result never
        // depends on ICU's idea of the machine's time zone.
        const QDateTime asUtc(wallClock.date(), wallClock.time(), QTimeZone::utc());
        icu::UnicodeString out;
        formatter->format(UDate(asUtc.toMSecsSinceEpoch()), out);
        return fromIcu(out);
    }

private:
    icu::SimpleDateFormat* formatterFor(const QString& skeleton)
    {
        auto found = m_cache.find(skeleton);
        if (found != m_cache.end())
            return found->second.get();
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale italian("it_IT");
        if (!m_generator)
            m_generator.reset(icu::DateTimePatternGenerator::createInstance(italian, status));
        if (U_FAILURE(status) || !m_generator)
            return nullptr;
        const icu::UnicodeString pattern = m_generator->getBestPattern(toIcu(skeleton), status);
        auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, italian, status);
        if (U_FAILURE(status))
            return nullptr;
        formatter->adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
        return (m_cache[skeleton] = std::move(formatter)).get();
    }

    std::mutex m_mutex;
    std::unique_ptr<icu::DateTimePatternGenerator> m_generator;
    std::map<QString, std::unique_ptr<icu::SimpleDateFormat>> m_cache;
};

SkeletonFormatters& formatters()
{
    static SkeletonFormatters f;
    return f;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "dal 9 …", "dall'8 …": the articled preposition ("dal", "al") before a text that starts with a day's number.
QString articled(const QString& preposition, const QString& text)
{
    qsizetype digits = 0;
    while (digits < text.size() && isAsciiDigit(text[digits]))
        ++digits;
    const int number = text.left(digits).toInt();
    if (number == 1 || number == 8 || number == 11)
        return preposition + QStringLiteral("l'") + text;
    return preposition + u' ' + text;
}

} // namespace

namespace Cal {

QLocale locale()
{
    return QLocale(QLocale::Italian, QLocale::Italy);
}

QString dayKey(const QDate& day)
{
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}

std::optional<QDate> parseDayKey(const QString& key)
{
    if (key.size() != 10 || key[4] != u'-' || key[7] != u'-')
        return std::nullopt;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isAsciiDigit(key[i]))
            return std::nullopt;
    const QDate day(key.left(4).toInt(), key.mid(5, 2).toInt(), key.mid(8, 2).toInt());
    if (!day.isValid())
        return std::nullopt;
    return day;
}

int weekdayIndex(const QDate& day)
{
    return day.dayOfWeek() - 1; // Qt counts Monday 1 … Sunday 7
}

QDate monday(const QDate& day)
{
    return day.addDays(-weekdayIndex(day));
}

QList<QDate> workdays(const QDate& dayOfWeek)
{
    const QDate first = monday(dayOfWeek);
    return {first, first.addDays(1), first.addDays(2), first.addDays(3), first.addDays(4)};
}

QDate nextWorkday(const QDate& day)
{
    QDate d = day;
    while (!isWorkday(d))
        d = d.addDays(1);
    return d;
}

QString format(const QDateTime& moment, const QString& skeleton)
{
    return formatters().format(moment, skeleton);
}

QString format(const QDate& day, const QString& skeleton)
{
    return format(QDateTime(day, QTime(0, 0)), skeleton);
}

void prepareFormats()
{
    // The agenda's day headings, formatted first at start-up.
    (void)format(QDate(2000, 1, 3), QStringLiteral("EEEEdMMM"));
}

QString fromDayText(const QDate& day, const QString& skeleton)
{
    return articled(QStringLiteral("dal"), format(day, skeleton));
}

QString toDayText(const QDate& day, const QString& skeleton)
{
    return articled(QStringLiteral("al"), format(day, skeleton));
}

QString capitalizedFirst(const QString& text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

QString rangeTitle(const QList<QDate>& days)
{
    if (days.isEmpty())
        return QString();
    const QDate first = days.first();
    const QDate last = days.last();
    const QString dash = QStringLiteral(" \u2013 ");
    if (first == last)
        return capitalizedFirst(format(first, QStringLiteral("EEEEdMMMMy")));
    const QString end = format(last, QStringLiteral("dMMMMy"));
    if (first.year() != last.year())
        return format(first, QStringLiteral("dMMMMy")) + dash + end;
    if (first.month() != last.month())
        return format(first, QStringLiteral("dMMMM")) + dash + end;
    return QString::number(first.day()) + dash + end;
}

} // namespace Cal
