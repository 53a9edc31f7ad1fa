#include "GridGeometry.h"

#include <gtest/gtest.h>

TEST(GridGeometry, slotUnderAPointer)
{
    const GridGeometry week(true);
    const GridGeometry day(false);
    const struct {
        const GridGeometry& g;
        double y;
        std::optional<int> slot;
    } cases[] = {
        {week, 0, 0},       {week, 21.99, 0}, {week, 22, 1},  {week, 4 * 22, 4},     {week, 43 * 22 - 0.01, 42},
        {week, 43 * 22, {}}, {week, -0.5, {}}, {day, 4 * 34, 4}, {day, 43 * 34, {}}, {day, 1000, 29},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.g.slot(c.y), c.slot) << c.y;
    EXPECT_EQ(GridGeometry::slotStart(4), 600);
    EXPECT_EQ(week.height(), 946);
    EXPECT_EQ(day.height(), 1462);
}

TEST(GridGeometry, blockRectanglesLeaveRoomAroundTheirSlots)
{
    const GridGeometry week(true);
    const GridGeometry day(false);
    const auto at = [](int start, int duration) { return Appointment{1, 1, "2024-12-02", start, duration, "P", {}, {}, {}}; };
    EXPECT_EQ(week.blockRect(at(540, 30), 100), QRectF(2, 1, 96, 42));
    EXPECT_EQ(day.blockRect(at(540, 30), 100), QRectF(2, 1, 96, 66));
    EXPECT_EQ(week.blockRect(at(600, 15), 100).height(), 20);
    EXPECT_EQ(day.blockRect(at(600, 240), 100).height(), 542);
    EXPECT_EQ(day.blockRect(at(600, 240), 100).top(), 4 * 34 + 1);
    // The lines: hours strong, the last one (19:45) a quarter line.
    EXPECT_TRUE(GridGeometry::isHourLine(4));
    EXPECT_FALSE(GridGeometry::isHourLine(43));
    EXPECT_EQ(week.lineY(1), 21.5);
}

TEST(GridGeometry, columnsTileTheWidthAfterTheTimeColumn)
{
    for (int count : {1, 3, 15}) {
        for (int width : {1000, 1386, 54, 60}) {
            EXPECT_EQ(GridGeometry::columnEdge(0, count, width), 54);
            EXPECT_EQ(GridGeometry::columnEdge(count, count, std::max(width, 54)), std::max(width, 54));
            for (int c = 0; c < count; ++c)
                EXPECT_LE(GridGeometry::columnEdge(c, count, width), GridGeometry::columnEdge(c + 1, count, width));
        }
    }
    // Each of 15 columns in 1386 px is (1386 − 54) / 15 = 88.8 wide, rounded at its edges.
    EXPECT_EQ(GridGeometry::columnEdge(1, 15, 1386), 143);
    EXPECT_EQ(GridGeometry::columnEdge(5, 15, 1386), 498);
}
