#include "GridGeometry.h"

#include <gtest/gtest.h>

TEST(GridGeometry, slotsAndBlockRectangles)
{
    const GridGeometry week(true);
    const GridGeometry day(false);
    const struct {
        const GridGeometry& g;
        double y;
        std::optional<int> slot;
    } cases[] = {
        {week, 0, 0},        {week, 21.99, 0}, {week, 22, 1},    {week, 43 * 22 - 0.01, 42},
        {week, 43 * 22, {}}, {week, -0.5, {}}, {day, 4 * 34, 4}, {day, 43 * 34, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.g.slot(c.y), c.slot) << c.y;

    // 2 px in at each side, 1 px free above and below the slots.
    const auto at = [](int start, int duration) { return Appointment{1, 1, "2024-12-02", start, duration, "P", {}, {}, {}}; };
    EXPECT_EQ(week.blockRect(at(540, 30), 100), QRectF(2, 1, 96, 42));
    EXPECT_EQ(day.blockRect(at(540, 30), 100), QRectF(2, 1, 96, 66));
    EXPECT_EQ(day.blockRect(at(600, 240), 100), QRectF(2, 4 * 34 + 1, 96, 542));

    // The keyboard cursor frames a block, or the place a 15-minute block would take in a free slot.
    const ColumnCells cells({at(600, 60)});
    const struct {
        const GridGeometry& g;
        int slot;
        QRectF frame;
    } frames[] = {
        {week, 0, {2, 1, 96, 20}},
        {day, 3, {2, 3 * 34 + 1, 96, 32}},
        {week, 4, {2, 4 * 22 + 1, 96, 86}},
        {day, 7, {2, 4 * 34 + 1, 96, 134}},
        {week, 42, {2, 42 * 22 + 1, 96, 20}},
    };
    for (const auto& f : frames)
        EXPECT_EQ(f.g.cursorRect(cells.cellOfSlot(f.slot), 100), f.frame) << f.slot;
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
