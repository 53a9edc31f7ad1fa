#include "ClosedDays.h"
#include "Color.h"
#include "TestSupport.h"

#include <QSet>

#include <map>

#include <gtest/gtest.h>

TEST(ClosedDays, HolidaysFollowTheLawOfEachYearOnWorkingDaysOnly)
{
    EXPECT_EQ(ClosedDays::easterSunday(2038), QDate(2038, 4, 25)); // the latest possible

    // Easter Mondays worked out apart: 1982-04-12, 2000-04-24, 2011-04-25, 2024-04-01, 2025-04-21,
    // 2026-04-06, 2027-03-29, 2028-04-17, 2029-04-02, 2030-04-22.
    const std::map<int, QString> workingDays{
        {1982, "01-01 04-12 11-01 12-08"},                               // no Epiphany
        {2000, "01-06 04-24 04-25 05-01 08-15 11-01 12-08 12-25 12-26"}, // 2 June a Friday, not yet back
        {2011, "01-06 03-17 04-25 06-02 08-15 11-01 12-08 12-26"},
        {2024, "01-01 04-01 04-25 05-01 08-15 11-01 12-25 12-26"}, // 4 October a Friday, not yet a holiday
        {2025, "01-01 01-06 04-21 04-25 05-01 06-02 08-15 12-08 12-25 12-26"},
        {2026, "01-01 01-06 04-06 05-01 06-02 12-08 12-25"},
        {2027, "01-01 01-06 03-29 06-02 10-04 11-01 12-08"},
        {2028, "01-06 04-17 04-25 05-01 06-02 08-15 10-04 11-01 12-08 12-25 12-26"},
        {2029, "01-01 04-02 04-25 05-01 08-15 10-04 11-01 12-25 12-26"},
        {2030, "01-01 04-22 04-25 05-01 08-15 10-04 11-01 12-25 12-26"},
    };
    for (const auto& [year, expected] : workingDays) {
        QStringList days;
        for (const ClosedPeriod& p : ClosedDays::italianHolidays(year)) {
            EXPECT_EQ(p.from, p.to);
            days << p.from.toString("MM-dd");
        }
        EXPECT_EQ(days.join(' '), expected) << year;
    }

    QStringList names;
    for (const int year : {2011, 2027, 2028})
        for (const ClosedPeriod& p : ClosedDays::italianHolidays(year))
            names << p.reason;
    names.removeDuplicates();
    EXPECT_EQ(names, QStringList({"Epifania", "Anniversario dell'Unità d'Italia",
                                  "Lunedì dell'Angelo e Festa della Liberazione", "Festa della Repubblica",
                                  "Ferragosto", "Ognissanti", "Immacolata Concezione", "Santo Stefano",
                                  "Capodanno", "Lunedì dell'Angelo", "San Francesco d'Assisi",
                                  "Festa della Liberazione", "Festa del Lavoro", "Natale"}));
}

TEST(ClosedDays, StoredTextRoundTripsAndSkipsWhatDoesNotParse)
{
    const QList<ClosedPeriod> periods{{QDate(2025, 8, 4), QDate(2025, 8, 22), "Ferie\testive\n"},
                                      {QDate(2025, 4, 21), QDate(2025, 4, 21), ""}};
    const QString text = ClosedDays::toText(periods);
    EXPECT_EQ(text, "2025-04-21\t2025-04-21\t\n2025-08-04\t2025-08-22\tFerie estive");
    EXPECT_EQ(ClosedDays::fromText(text + "\nrotto\n2025-09-10\t2025-09-01\tal contrario\n2025-13-01\t2025-13-02"),
              (QList<ClosedPeriod>{{QDate(2025, 4, 21), QDate(2025, 4, 21), ""},
                                   {QDate(2025, 8, 4), QDate(2025, 8, 22), "Ferie estive"}}));
    EXPECT_EQ(ClosedDays::periodOn(periods, QDate(2025, 8, 22))->reason, "Ferie\testive\n");
    EXPECT_FALSE(ClosedDays::periodOn(periods, QDate(2025, 8, 23)));
}

TEST(Color, NewDentistsGetColoursNotInUse)
{
    QStringList used{"#2e86de", "#27AE60", "#E67E22"};
    for (int i = 0; i < 20; ++i) {
        const QString next = distinctColorHex(used);
        EXPECT_FALSE(used.contains(next, Qt::CaseInsensitive)) << next.toStdString();
        used << next;
    }
    EXPECT_EQ(used[3], "#8E44AD");
}
