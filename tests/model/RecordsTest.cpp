#include "Appointment.h"
#include "Cal.h"
#include "Color.h"
#include "Dentist.h"
#include "DragPayload.h"
#include "Schedule.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

void expectRgb(const QColor& c, int r, int g, int b)
{
    EXPECT_EQ(hexString(c), QString::asprintf("#%02X%02X%02X", r, g, b));
    EXPECT_DOUBLE_EQ(c.alphaF(), 1.0);
}

} // namespace

TEST(Color, readsHexWithOrWithoutHashCaseAndBlanks)
{
    for (const char* text : {"#2E86DE", "2E86DE", " \n#2e86de\t\n"})
        expectRgb(colorFromHex(QString::fromUtf8(text)), 46, 134, 222);
    // No shorthand: #FFF is 0x000FFF; the top byte of eight digits is ignored.
    expectRgb(colorFromHex("#FFF"), 0, 15, 255);
    expectRgb(colorFromHex("#FF2E86DE"), 46, 134, 222);
    expectRgb(colorFromHex("+2E86DE"), 46, 134, 222);
    expectRgb(colorFromHex("-0"), 0, 0, 0);
    expectRgb(colorFromHex("000000000FF"), 0, 0, 255); // leading zeros do not count as significant
}

TEST(Color, unreadableTextGivesGrey)
{
    for (const char* text : {"", "#", "#GG0000", "#12 34 56", "#123456789", "##123456", "-1", "+", "-", "0x123"})
        EXPECT_EQ(hexString(colorFromHex(QString::fromUtf8(text))), "#888888") << text;
    EXPECT_EQ(hexString(QColor()), "#888888");
}

TEST(Color, hexStringRoundsHalvesAwayFromZeroAndRoundTrips)
{
    EXPECT_EQ(hexString(QColor(Qt::red)), "#FF0000");
    EXPECT_EQ(hexString(QColor::fromRgbF(0.5f, 0.5f, 0.5f)), "#808080");
    EXPECT_EQ(hexString(QColor::fromHsv(0, 255, 255)), "#FF0000"); // converted to RGB first
    for (const char* text : {"#2e86de", "#27AE60", "#e67e22", "#000000", "#FFFFFF", "#010203"})
        EXPECT_EQ(hexString(colorFromHex(text)), QString::fromUtf8(text).toUpper());
}

TEST(Appointment, derivedDateAndTimeRange)
{
    Clock::Pin pin(TestSupport::at(2024, 12, 6, 15, 30));
    Appointment a{1, 1, "2024-12-02", 540, 45, "Rossi", {}, {}, {}};
    EXPECT_EQ(a.date(), QDate(2024, 12, 2));
    EXPECT_EQ(a.timeRange(), QStringLiteral("09:00\u201309:45"));
    a.startMinutes = 1170;
    a.durationMinutes = 15;
    EXPECT_EQ(a.timeRange(), QStringLiteral("19:30\u201319:45"));
    a.startMinutes = 600;
    a.durationMinutes = 90;
    EXPECT_EQ(a.timeRange(), QStringLiteral("10:00\u201311:30"));
    a.day = "2024-13-02"; // not a key: the date is today
    EXPECT_EQ(a.date(), QDate(2024, 12, 6));
}

TEST(Appointment, equalityComparesEveryFieldAndCanonicalText)
{
    const Appointment a{7, 1, "2024-12-02", 540, 30, QStringLiteral("Nicol\u00F2"), "347", "Igiene", "note"};
    Appointment b = a;
    EXPECT_EQ(a, b);
    b.notes = "altro";
    EXPECT_FALSE(a == b);
    b = a;
    b.patient = QStringLiteral("Nicolo\u0300"); // the same name with a combining accent
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    const Dentist d{1, "Dentista 1", "#2E86DE", 0};
    Dentist e = d;
    EXPECT_EQ(d, e);
    e.position = 1;
    EXPECT_FALSE(d == e);
}

TEST(Schedule, startTimesDurationsAndLabels)
{
    const QList<int>& starts = Schedule::startTimes();
    ASSERT_EQ(starts.size(), 43);
    EXPECT_EQ(starts.first(), 540);
    EXPECT_EQ(starts.last(), 1170);
    EXPECT_FALSE(starts.contains(1185));
    const QList<int>& lengths = Schedule::durations();
    ASSERT_EQ(lengths.size(), 16);
    EXPECT_EQ(lengths.first(), 15);
    EXPECT_EQ(lengths.last(), 240);
    EXPECT_EQ(Schedule::clockText(555), "09:15");
    EXPECT_EQ(Schedule::clockText(1185), "19:45");
    // Any minute count reads as the "%02d:%02d" of its hours and minutes, also past a day or below zero.
    for (const int minutes : {0, 5, 59, 60, 599, 600, 1439, 1440, 5999, 6000, 6001, 123456, -1, -59, -60, -61})
        EXPECT_EQ(Schedule::clockText(minutes), QString::asprintf("%02d:%02d", minutes / 60, minutes % 60))
            << minutes;

    const std::pair<int, const char*> durations[] = {{0, "0 min"},  {15, "15 min"}, {45, "45 min"},
                                                     {60, "1 h"},   {90, "1 h 30 min"}, {240, "4 h"},
                                                     {135, "2 h 15 min"}, {-30, "-30 min"}};
    for (const auto& [minutes, text] : durations)
        EXPECT_EQ(formatDuration(minutes), QString::fromUtf8(text)) << minutes;
}

TEST(DragPayload, readsSignedDecimalIdsOnly)
{
    EXPECT_EQ(DragPayload::parseId(DragPayload::fromId(42)), 42);
    EXPECT_EQ(DragPayload::parseId("+12"), 12);
    EXPECT_EQ(DragPayload::parseId("-7"), -7);
    EXPECT_EQ(DragPayload::parseId("0009"), 9);
    EXPECT_EQ(DragPayload::parseId("9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(DragPayload::parseId("-9223372036854775808"), std::numeric_limits<qint64>::min());
    for (const char* bad : {"", "+", "-", "12a", " 12", "12 ", "1.5", "0x1F", "9223372036854775808",
                            "-9223372036854775809", "١٢"})
        EXPECT_FALSE(DragPayload::parseId(QString::fromUtf8(bad))) << bad;
}
