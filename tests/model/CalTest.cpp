#include "Cal.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(DayKey, formatsAndParsesStrictly)
{
    EXPECT_EQ(Cal::dayKey(QDate(2025, 3, 5)), "2025-03-05");
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
    const QDate monday(2024, 12, 2);
    const QList<QDate> week{monday, monday.addDays(1), monday.addDays(2), monday.addDays(3), monday.addDays(4)};
    EXPECT_EQ(Cal::workdays(QDate(2024, 12, 7)), week);
    EXPECT_EQ(Cal::workdays(QDate(2024, 12, 2)), week);
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 7)), QDate(2024, 12, 9));
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 8)), QDate(2024, 12, 9));
    EXPECT_EQ(Cal::nextWorkday(QDate(2024, 12, 6)), QDate(2024, 12, 6));
    // Across the spring daylight-saving change in Europe and the autumn one in America.
    EXPECT_EQ(Cal::workdays(QDate(2025, 3, 30)).first(), QDate(2025, 3, 24));
    EXPECT_EQ(Cal::monday(QDate(2025, 11, 2)), QDate(2025, 10, 27));
}

TEST(Format, italianTextsFromSkeletonsAndRangeTitles)
{
    const std::pair<const char*, const char*> friday[] = {
        {"EEEEdMMMMy", "venerdì 6 dicembre 2024"}, {"dMMMM", "6 dicembre"},
        {"EEEEdMMM", "venerdì 6 dic"},             {"EEEddMMyyyy", "ven 06/12/2024"},
        {"ddMMyyyy", "06/12/2024"}};
    for (const auto& [skeleton, text] : friday)
        EXPECT_EQ(Cal::format(QDate(2024, 12, 6), skeleton), QString::fromUtf8(text)) << skeleton;
    EXPECT_EQ(Cal::format(QDateTime(QDate(2024, 12, 5), QTime(14, 30)), "HHmm"), "14:30");
    // A wall-clock time inside a daylight-saving change keeps its date.
    EXPECT_EQ(Cal::format(QDateTime(QDate(2025, 3, 30), QTime(1, 30)), "EEEEdMMMMy"),
              QStringLiteral("domenica 30 marzo 2025"));
    EXPECT_EQ(Cal::capitalizedFirst(QStringLiteral("ven 06/12/2024")), QStringLiteral("Ven 06/12/2024"));
    EXPECT_EQ(Cal::capitalizedFirst(QString()), QString());

    EXPECT_EQ(Cal::rangeTitle({}), QString());
    EXPECT_EQ(Cal::rangeTitle({QDate(2024, 12, 6)}), QStringLiteral("Venerdì 6 dicembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2024, 12, 4))), QStringLiteral("2 – 6 dicembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2024, 10, 30))), QStringLiteral("28 ottobre – 1 novembre 2024"));
    EXPECT_EQ(Cal::rangeTitle(Cal::workdays(QDate(2025, 1, 1))),
              QStringLiteral("30 dicembre 2024 – 3 gennaio 2025"));
}

TEST(Format, dayAfterDalAndAlTakesTheApostropheBeforeOneEightAndEleven)
{
    const std::tuple<QDate, const char*, const char*> cases[] = {
        {QDate(2025, 12, 1), "dall'1 dicembre 2025", "all'1 dic"},
        {QDate(2025, 12, 8), "dall'8 dicembre 2025", "all'8 dic"},
        {QDate(2025, 12, 11), "dall'11 dicembre 2025", "all'11 dic"},
        {QDate(2025, 12, 18), "dal 18 dicembre 2025", "al 18 dic"},
        {QDate(2025, 12, 21), "dal 21 dicembre 2025", "al 21 dic"},
        {QDate(2025, 12, 31), "dal 31 dicembre 2025", "al 31 dic"},
    };
    for (const auto& [day, from, to] : cases) {
        EXPECT_EQ(Cal::fromDayText(day, "dMMMMy"), QString::fromUtf8(from));
        EXPECT_EQ(Cal::toDayText(day, "dMMM"), QString::fromUtf8(to));
    }
}
