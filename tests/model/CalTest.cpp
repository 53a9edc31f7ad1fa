#include "Cal.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(DayKey, formatsAndParsesStrictly)
{
    EXPECT_EQ(Cal::dayKey(QDate(2025, 3, 5)), "2025-03-05");
    EXPECT_EQ(Cal::dayKey(QDateTime(QDate(2025, 3, 5), QTime(23, 59)).date()), "2025-03-05");
    EXPECT_EQ(Cal::parseDayKey("2025-03-05"), QDate(2025, 3, 5));
    for (const char* bad : {"2025-13-05", "05/03/2025", "2025-02-30", "2025-3-5", " 2025-03-05", "2025-03-05x",
                            "", "２０２５-03-05", "2025/03/05"})
        EXPECT_FALSE(Cal::parseDayKey(QString::fromUtf8(bad))) << bad;
    // Keys sort as text in date order.
    EXPECT_LT(Cal::dayKey(QDate(2024, 12, 31)), Cal::dayKey(QDate(2025, 1, 1)));
}

TEST(Week, mondayWorkdaysAndNextWorkday)
{
    EXPECT_EQ(Cal::weekdayIndex(QDate(2024, 12, 2)), 0);
    EXPECT_EQ(Cal::weekdayIndex(QDate(2024, 12, 8)), 6);
    EXPECT_EQ(Cal::monday(QDate(2024, 12, 8)), QDate(2024, 12, 2));
    EXPECT_EQ(Cal::monday(QDate(2024, 12, 2)), QDate(2024, 12, 2));
    const QList<QDate> week{QDate(2024, 12, 2), QDate(2024, 12, 3), QDate(2024, 12, 4), QDate(2024, 12, 5),
                            QDate(2024, 12, 6)};
    EXPECT_EQ(Cal::workdays(QDate(2024, 12, 7)), week);
    EXPECT_EQ(Cal::workdays(QDate(2024, 12, 4)), week);
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 7)), QDate(2024, 12, 9));
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 8)), QDate(2024, 12, 9));
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 6)), QDate(2024, 12, 6));
    // Across the spring daylight-saving change in Europe and the autumn one in America.
    EXPECT_EQ(Cal::workdays(QDate(2025, 3, 30)).first(), QDate(2025, 3, 24));
    EXPECT_EQ(Cal::monday(QDate(2025, 11, 2)), QDate(2025, 10, 27));
}

TEST(Format, italianTextsFromSkeletons)
{
    const QDate friday(2024, 12, 6);
    EXPECT_EQ(Cal::format(friday, "EEEEdMMMMy"), QStringLiteral("venerdì 6 dicembre 2024"));
    EXPECT_EQ(Cal::format(friday, "dMMMMy"), QStringLiteral("6 dicembre 2024"));
    EXPECT_EQ(Cal::format(friday, "dMMMM"), QStringLiteral("6 dicembre"));
    EXPECT_EQ(Cal::format(friday, "EEEEdMMMM"), QStringLiteral("venerdì 6 dicembre"));
    EXPECT_EQ(Cal::format(friday, "EEEEdMMM"), QStringLiteral("venerdì 6 dic"));
    EXPECT_EQ(Cal::format(friday, "EEEddMMyyyy"), QStringLiteral("ven 06/12/2024"));
    EXPECT_EQ(Cal::format(friday, "ddMMyyyy"), QStringLiteral("06/12/2024"));
    EXPECT_EQ(Cal::format(QDateTime(QDate(2024, 12, 5), QTime(14, 30)), "HHmm"), QStringLiteral("14:30"));
    // A wall-clock time inside a daylight-saving change keeps its date.
    EXPECT_EQ(Cal::format(QDateTime(QDate(2025, 3, 30), QTime(1, 30)), "EEEEdMMMMy"),
              QStringLiteral("domenica 30 marzo 2025"));
    EXPECT_EQ(Cal::capitalizedFirst(Cal::format(friday, "EEEddMMyyyy")), QStringLiteral("Ven 06/12/2024"));
    EXPECT_EQ(Cal::capitalizedFirst(QString()), QString());
}

TEST(Format, rangeTitleInItsFourForms)
{
    EXPECT_EQ(Cal::rangeTitle({}), QString());
    EXPECT_EQ(Cal::rangeTitle({QDate(2024, 12, 6)}), QStringLiteral("Venerdì 6 dicembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2024, 12, 4))), QStringLiteral("2 – 6 dicembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2024, 10, 30))), QStringLiteral("28 ottobre – 1 novembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2025, 1, 1))), QStringLiteral("30 dicembre 2024 – 3 gennaio 2025"));
}

TEST(Format, localeIsItalianWithMondayFirst)
{
    EXPECT_EQ(Cal::locale().language(), QLocale::Italian);
    EXPECT_EQ(Cal::locale().firstDayOfWeek(), Qt::Monday);
}
