#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// Calendar rules of the practice: Italian locale, Gregorian weeks from Monday, day keys, week titles.
// Days are QDate values (a day of the local calendar), so no rule here depends on the time zone.
namespace Cal {

// Italian (Italy), weeks from Monday: given to every window.
[[nodiscard]] QLocale locale();

// "yyyy-MM-dd" with ASCII digits, whatever the locale.
[[nodiscard]] QString dayKey(const QDate& day);
// Strict reading of a day key; absent for anything that is not exactly a valid "yyyy-MM-dd".
[[nodiscard]] std::optional<QDate> parseDayKey(const QString& key);

// Monday 0 … Sunday 6; below 5 is a working day.
[[nodiscard]] int weekdayIndex(const QDate& day);
[[nodiscard]] inline bool isWorkday(const QDate& day) { return weekdayIndex(day) < 5; }

[[nodiscard]] QDate monday(const QDate& day);
// Monday to Friday of the Monday-to-Sunday week holding the day (always five entries).
[[nodiscard]] QList<QDate> workdays(const QDate& dayOfWeek);
// The day itself when it is a working day, else the following Monday.
[[nodiscard]] QDate nextWorkday(const QDate& day);

// Italian text from a CLDR date-field skeleton ("EEEEdMMMMy", "EEEddMMyyyy", "HHmm"…), formatters cached.
// The moment is taken as a local wall-clock time.
[[nodiscard]] QString format(const QDateTime& moment, const QString& skeleton);
[[nodiscard]] QString format(const QDate& day, const QString& skeleton);
// Reads the Italian calendar data that formatting needs (a few milliseconds, once per process), so that
// a helper thread can take that cost off the first formatted date. Safe from any thread.
void prepareFormats();

// "dal 9 dicembre 2024", "dall'8 dicembre 2024": the day formatted with a skeleton that starts with its
// number ("dMMM", "dMMMMy") after "dal", elided before the numbers read with a vowel (1, 8 and 11).
[[nodiscard]] QString fromDayText(const QDate& day, const QString& skeleton);
// "al 21 agosto", "all'11 agosto": the same after "al".
[[nodiscard]] QString toDayText(const QDate& day, const QString& skeleton);

// The first character in upper case, the rest unchanged ("venerdì" → "Venerdì").
[[nodiscard]] QString capitalizedFirst(const QString& text);

// "Venerdì 6 dicembre 2024", "2 – 6 dicembre 2024", "28 ottobre – 1 novembre 2024",
// "30 dicembre 2024 – 3 gennaio 2025"; empty for an empty list.
[[nodiscard]] QString rangeTitle(const QList<QDate>& days);

} // namespace Cal
