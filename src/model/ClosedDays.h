#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// A day or a period (both ends included) when the practice is closed, with an optional reason.
struct ClosedPeriod {
    QDate from;
    QDate to;
    QString reason; // e.g. "Ferie estive"; may be empty

    [[nodiscard]] bool contains(const QDate& day) const { return from <= day && day <= to; }
    bool operator==(const ClosedPeriod&) const = default;
};

namespace ClosedDays {

// The stored form: one period per line, "yyyy-MM-dd<TAB>yyyy-MM-dd<TAB>reason", sorted by start.
[[nodiscard]] QString toText(QList<ClosedPeriod> periods);
// Reads the stored form; lines that do not parse, or end before they begin, are left out.
[[nodiscard]] QList<ClosedPeriod> fromText(const QString& text);

// The first period that holds the day; absent when the practice is open then.
[[nodiscard]] std::optional<ClosedPeriod> periodOn(const QList<ClosedPeriod>& periods, const QDate& day);

// Easter Sunday of a year of the Gregorian calendar.
[[nodiscard]] QDate easterSunday(int year);
// The national public holidays of Italy that fall from Monday to Friday in a year, by the law in force
// that year (from 1977 on; earlier years are not modelled), each a one-day period named after the
// holiday (Easter Monday, "Lunedì dell'Angelo", included; two on one day share a period). A town's
// patron saint is local and left to the practice.
[[nodiscard]] QList<ClosedPeriod> italianHolidays(int year);
// The holidays of a year that fall on none of the periods.
[[nodiscard]] QList<ClosedPeriod> missingHolidays(const QList<ClosedPeriod>& periods, int year);

} // namespace ClosedDays
