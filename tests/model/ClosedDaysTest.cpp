#include "ClosedDays.h"
#include "Color.h"
#include "TestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

TEST(ClosedDays, EasterMondayAndTheHolidaysThatFallOnWorkingDays)
{
    EXPECT_EQ(ClosedDays::easterSunday(2027).addDays(1), QDate(2027, 3, 29));
    EXPECT_EQ(ClosedDays::easterSunday(2038), QDate(2038, 4, 25)); // the latest possible

    // 2026: 1 Jan Thursday … 15 Aug and 1 Nov on a weekend, 25 Apr a Saturday, 6 Jan a Tuesday.
    QStringList names;
    for (const ClosedPeriod& p : ClosedDays::italianHolidays(2026)) {
        EXPECT_EQ(p.from, p.to);
        names << p.from.toString("MM-dd") + ' ' + p.reason;
    }
    EXPECT_EQ(names, QStringList({"01-01 Capodanno", "01-06 Epifania", "04-06 Lunedì dell'Angelo",
                                  "05-01 Festa del Lavoro", "06-02 Festa della Repubblica",
                                  "12-08 Immacolata Concezione", "12-25 Natale"}));
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
