#include "Appointment.h"
#include "Cal.h"
#include "Color.h"
#include "Dentist.h"
#include "DragPayload.h"
#include "Schedule.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(Color, parsingRoundingAndGreyOnFailure)
{
    // Hash, case and blanks are optional; no shorthand (#FFF is 0x000FFF); the top byte of eight digits
    // is ignored; a sign and leading zeros are accepted as by a number parser.
    const std::pair<const char*, const char*> readable[] = {
        {"#2E86DE", "#2E86DE"},   {"2E86DE", "#2E86DE"}, {" \n#2e86de\t\n", "#2E86DE"}, {"#FFF", "#000FFF"},
        {"#FF2E86DE", "#2E86DE"}, {"+2E86DE", "#2E86DE"}, {"-0", "#000000"},            {"000000000FF", "#0000FF"}};
    for (const auto& [text, hex] : readable) {
        const QColor c = colorFromHex(QString::fromUtf8(text));
        EXPECT_EQ(hexString(c), hex) << text;
        EXPECT_DOUBLE_EQ(c.alphaF(), 1.0) << text;
    }
    for (const char* text : {"", "#", "#GG0000", "#12 34 56", "#123456789", "##123456", "-1", "+", "-", "0x123"})
        EXPECT_EQ(hexString(colorFromHex(QString::fromUtf8(text))), "#888888") << text;
    EXPECT_EQ(hexString(QColor()), "#888888");
    // Halves round away from zero; other colour models are converted to RGB first.
    EXPECT_EQ(hexString(QColor::fromRgbF(0.5f, 0.5f, 0.5f)), "#808080");
    EXPECT_EQ(hexString(QColor::fromHsv(0, 255, 255)), "#FF0000");
}

TEST(Appointment, derivedDateTimeRangeAndEquality)
{
    Clock::Pin pin(TestSupport::at(2024, 12, 6, 15, 30));
    Appointment a{1, 1, "2024-12-02", 540, 45, QStringLiteral("Nicol\u00F2"), "347", "Igiene", "note"};
    EXPECT_EQ(a.date(), QDate(2024, 12, 2));
    EXPECT_EQ(a.timeRange(), QStringLiteral("09:00\u201309:45"));
    Appointment b = a;
    b.startMinutes = 600;
    b.durationMinutes = 90;
    EXPECT_EQ(b.timeRange(), QStringLiteral("10:00\u201311:30"));
    b.day = "2024-13-02"; // not a key: the date is today
    EXPECT_EQ(b.date(), QDate(2024, 12, 6));

    b = a;
    b.notes = "altro";
    EXPECT_FALSE(a == b);
    b = a;
    b.patient = QStringLiteral("Nicolo\u0300"); // the same name with a combining accent
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    const Dentist d{1, "Dentista 1", "#2E86DE", 0, QDate()};
    Dentist e = d;
    e.position = 1;
    EXPECT_FALSE(d == e);
}

TEST(Schedule, clockTextsAndDurations)
{
    // Hours and minutes of two digits at least, also past a day.
    const std::pair<int, const char*> clock[] = {{0, "00:00"}, {555, "09:15"}, {1185, "19:45"}, {6001, "100:01"}};
    for (const auto& [minutes, text] : clock)
        EXPECT_EQ(Schedule::clockText(minutes), QString::fromUtf8(text)) << minutes;

    const std::pair<int, const char*> durations[] = {{0, "0 min"},         {45, "45 min"}, {60, "1 h"},
                                                     {90, "1 h 30 min"},   {240, "4 h"},   {-30, "-30 min"},
                                                     {135, "2 h 15 min"}};
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
