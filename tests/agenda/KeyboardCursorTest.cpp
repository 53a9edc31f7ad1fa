#include "ColumnCells.h"
#include "KeyboardCursor.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

Appointment at(int start, int duration, const QString& patient = "P", qint64 dentist = 1)
{
    return Appointment{1, dentist, "2024-12-04", start, duration, patient, {}, {}, {}};
}

// Monday 2 to Friday 6 December 2024 and three dentists; Wednesday's first dentist has 09:00–09:30 and
// 10:00–11:00, and 19:30–19:45.
struct Week {
    QList<QDate> days{QDate(2024, 12, 2), QDate(2024, 12, 3), QDate(2024, 12, 4), QDate(2024, 12, 5),
                      QDate(2024, 12, 6)};
    QList<qint64> dentists{1, 2, 3};
    KeyboardCursor cursor{[](const QDate& day, qint64 dentist) {
        if (day == QDate(2024, 12, 4) && dentist == 1)
            return ColumnCells({at(540, 30, "Anna"), at(600, 60, "Bruno"), at(1170, 15, "Carla")});
        return ColumnCells();
    }};

    Week()
    {
        cursor.setGrid(days, dentists);
        cursor.placeAtStart(TestSupport::at(2024, 12, 4, 9, 0));
    }
};

} // namespace

TEST(ColumnCells, freeSlotsAndWholeAppointmentsFromTopToBottom)
{
    const ColumnCells cells({at(600, 60, "Bruno"), at(540, 30, "Anna"), at(1170, 15, "Carla")});
    // 43 slots: 2 + 4 + 1 taken by three cells, 36 free.
    ASSERT_EQ(cells.size(), 39);
    EXPECT_EQ(cells.at(0).appointment->patient, "Anna");
    EXPECT_EQ(std::pair(cells.at(0).first, cells.at(0).last), std::pair(0, 1));
    EXPECT_EQ(cells.at(0).timeRange(), QStringLiteral("09:00–09:30"));
    EXPECT_FALSE(cells.at(1).appointment);
    EXPECT_EQ(cells.at(1).timeRange(), QStringLiteral("09:30–09:45"));
    EXPECT_EQ(cells.indexOfSlot(5), 3);
    EXPECT_EQ(cells.cellOfSlot(7).appointment->patient, "Bruno");
    EXPECT_EQ(cells.at(38).appointment->patient, "Carla");
    EXPECT_EQ(cells.indexOfSlot(42), 38);

    // Two appointments back to back are two cells; an empty day is 43 free ones.
    const ColumnCells touching({at(540, 15, "A"), at(555, 15, "B")});
    EXPECT_EQ(touching.size(), 43);
    EXPECT_EQ(touching.at(1).appointment->patient, "B");
    EXPECT_EQ(ColumnCells().size(), 43);
    EXPECT_EQ(ColumnCells().at(42).timeRange(), QStringLiteral("19:30–19:45"));
}

TEST(KeyboardCursor, startsOnTodaysNextQuarterOrTheFirstSlot)
{
    const struct {
        QDateTime now;
        int day;
        int slot;
    } cases[] = {
        {TestSupport::at(2024, 12, 4, 10, 0), 2, 4},  {TestSupport::at(2024, 12, 4, 10, 1), 2, 5},
        {TestSupport::at(2024, 12, 6, 10, 14), 4, 5}, {TestSupport::at(2024, 12, 4, 7, 30), 2, 0},
        {TestSupport::at(2024, 12, 4, 19, 40), 2, 42}, {TestSupport::at(2024, 12, 4, 23, 50), 2, 42},
        {TestSupport::at(2024, 12, 7, 10, 0), 0, 0},  {TestSupport::at(2024, 12, 11, 10, 0), 0, 0},
    };
    for (const auto& c : cases) {
        Week w;
        w.cursor.moveTo(3, 2, 20);
        w.cursor.placeAtStart(c.now);
        EXPECT_EQ(std::tuple(w.cursor.dayIndex(), w.cursor.dentistIndex(), w.cursor.slot()),
                  std::tuple(c.day, 0, c.slot))
            << c.now.toString().toStdString();
    }
}

TEST(KeyboardCursor, upAndDownTakeAnAppointmentAsOneStep)
{
    Week w; // Wednesday, first dentist, 09:00, on Anna's block
    EXPECT_EQ(w.cursor.cell().appointment->patient, "Anna");
    EXPECT_FALSE(w.cursor.up());
    ASSERT_TRUE(w.cursor.down());
    EXPECT_EQ(w.cursor.slot(), 2); // 09:30, free
    EXPECT_TRUE(w.cursor.down());
    EXPECT_TRUE(w.cursor.down());
    EXPECT_EQ(w.cursor.slot(), 4); // Bruno's block, entered at its top
    EXPECT_EQ(w.cursor.cell().appointment->patient, "Bruno");
    EXPECT_TRUE(w.cursor.down());
    EXPECT_EQ(w.cursor.slot(), 8); // 11:00, past the block
    EXPECT_TRUE(w.cursor.up());
    EXPECT_EQ(w.cursor.slot(), 7); // the block again, entered at its bottom
    EXPECT_TRUE(w.cursor.up());
    EXPECT_EQ(w.cursor.slot(), 3);

    // The row stays across columns, also inside a block; Up and Down leave the block from there.
    EXPECT_TRUE(w.cursor.moveTo(2, 1, 6));
    EXPECT_TRUE(w.cursor.left());
    EXPECT_EQ(w.cursor.slot(), 6);
    EXPECT_TRUE(w.cursor.up());
    EXPECT_EQ(w.cursor.slot(), 3);

    EXPECT_TRUE(w.cursor.toLastSlot());
    EXPECT_EQ(w.cursor.cell().appointment->patient, "Carla");
    EXPECT_FALSE(w.cursor.down());
    EXPECT_FALSE(w.cursor.toLastSlot());
    EXPECT_TRUE(w.cursor.toFirstSlot());
    EXPECT_EQ(w.cursor.slot(), 0);
}

TEST(KeyboardCursor, leftAndRightWalkDentistsThenDaysAndStopAtTheEdges)
{
    Week w;
    ASSERT_TRUE(w.cursor.moveTo(1, 2, 10)); // Tuesday, third dentist
    EXPECT_TRUE(w.cursor.right());
    EXPECT_EQ(std::tuple(w.cursor.day(), w.cursor.dentistId(), w.cursor.slot()), std::tuple(QDate(2024, 12, 4), 1, 10));
    EXPECT_TRUE(w.cursor.left());
    EXPECT_EQ(std::pair(w.cursor.dayIndex(), w.cursor.dentistIndex()), std::pair(1, 2));

    EXPECT_TRUE(w.cursor.toFirstDay());
    EXPECT_EQ(std::pair(w.cursor.dayIndex(), w.cursor.dentistIndex()), std::pair(0, 2));
    EXPECT_TRUE(w.cursor.moveTo(0, 0, 10));
    EXPECT_FALSE(w.cursor.left());
    EXPECT_TRUE(w.cursor.toLastDay());
    EXPECT_TRUE(w.cursor.moveTo(4, 2, 10));
    EXPECT_FALSE(w.cursor.right());
    EXPECT_EQ(std::tuple(w.cursor.dayIndex(), w.cursor.dentistIndex(), w.cursor.slot()), std::tuple(4, 2, 10));

    for (const auto& [day, dentist, slot] : {std::tuple(5, 0, 0), std::tuple(0, 3, 0), std::tuple(0, 0, 43),
                                             std::tuple(-1, 0, 0), std::tuple(0, 0, -1)})
        EXPECT_FALSE(w.cursor.moveTo(day, dentist, slot)) << day << dentist << slot;
}

TEST(KeyboardCursor, keepsItsPlaceWhenWhatIsOnShowChanges)
{
    Week w;
    ASSERT_TRUE(w.cursor.moveTo(3, 1, 20)); // Thursday, second dentist, 14:00

    // Day view of Thursday, then of Monday (the cursor's day is not on show: first position), then the week.
    w.cursor.setGrid({QDate(2024, 12, 5)}, w.dentists);
    EXPECT_EQ(std::tuple(w.cursor.day(), w.cursor.dentistId(), w.cursor.slot()), std::tuple(QDate(2024, 12, 5), 2, 20));
    w.cursor.setGrid({QDate(2024, 12, 2)}, w.dentists);
    EXPECT_EQ(w.cursor.day(), QDate(2024, 12, 2));
    w.cursor.setGrid(w.days, w.dentists);
    EXPECT_EQ(w.cursor.dayIndex(), 0);

    // The next week keeps the weekday; a reload of the same week keeps the day.
    ASSERT_TRUE(w.cursor.moveTo(3, 1, 20));
    QList<QDate> next;
    for (const QDate& d : w.days)
        next << d.addDays(7);
    w.cursor.setGrid(next, w.dentists);
    EXPECT_EQ(w.cursor.day(), QDate(2024, 12, 12));
    w.cursor.setGrid(next, w.dentists);
    EXPECT_EQ(w.cursor.day(), QDate(2024, 12, 12));

    // Dentists: the same one while listed, wherever it is; the one now at its place when removed;
    // nothing to point at without dentists, and back when they return.
    w.cursor.setGrid(next, {3, 2, 1});
    EXPECT_EQ(std::pair(w.cursor.dentistIndex(), w.cursor.dentistId()), std::pair(1, qint64(2)));
    w.cursor.setGrid(next, {3, 1});
    EXPECT_EQ(w.cursor.dentistId(), 1);
    w.cursor.setGrid(next, {3});
    EXPECT_EQ(w.cursor.dentistId(), 3);
    w.cursor.setGrid(next, {});
    EXPECT_FALSE(w.cursor.isValid());
    EXPECT_FALSE(w.cursor.down());
    EXPECT_FALSE(w.cursor.right());
    w.cursor.setGrid(next, {1, 2, 3});
    EXPECT_TRUE(w.cursor.isValid());
    EXPECT_EQ(std::tuple(w.cursor.dayIndex(), w.cursor.dentistId(), w.cursor.slot()), std::tuple(3, 3, 20));
}
