#include "GridGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Appointment at(int start, int duration)
{
    return Appointment{1, 1, "2024-12-02", start, duration, "P", {}, {}, {}};
}

} // namespace

TEST(GridGeometry, slotsBlocksAndTheCursorFollowTheRowsOfBothViews)
{
    EXPECT_GT(GridGeometry(false).rowHeight(), GridGeometry(true).rowHeight()); // the day view's rows are taller
    for (const GridGeometry& g : {GridGeometry(true), GridGeometry(false)}) {
        const double h = g.rowHeight();
        for (const auto& [y, slot] : {std::pair<double, std::optional<int>>(0, 0), {h - 0.01, 0}, {h, 1},
                                      {g.height() - 0.01, GridGeometry::rowCount - 1}, {g.height(), {}},
                                      {-0.5, {}}})
            EXPECT_EQ(g.slot(y), slot) << y;

        // A block lies inside its slots and its column, apart from the block that follows it.
        const QRectF half = g.blockRect(at(540, 30), 100);
        EXPECT_TRUE(g.slotRect(0, 100).united(g.slotRect(1, 100)).contains(half));
        EXPECT_GT(half.height(), 1.5 * h);
        EXPECT_GT(g.blockRect(at(570, 15), 100).top(), half.bottom());
        EXPECT_NEAR(g.blockRect(at(600, 240), 100).height(), g.blockRect(at(600, 15), 100).height() + 15 * h, 1e-9);

        // The keyboard cursor frames a block, or the place a quarter-hour block would take in a free slot.
        const ColumnCells cells({at(600, 60)});
        for (const int slot : {4, 7})
            EXPECT_EQ(g.cursorRect(cells.cellOfSlot(slot), 100), g.blockRect(at(600, 60), 100));
        EXPECT_EQ(g.cursorRect(cells.cellOfSlot(3), 100), g.blockRect(at(585, 15), 100));
        EXPECT_EQ(g.cursorRect(cells.cellOfSlot(42), 100), g.blockRect(at(1170, 15), 100));
    }
}

TEST(GridGeometry, columnsTileTheWidthAfterTheTimeColumn)
{
    const int time = int(GridGeometry::timeColumnWidth);
    for (int count : {1, 3, 15}) {
        for (int width : {1000, 1386, time, time + 6}) {
            EXPECT_EQ(GridGeometry::columnEdge(0, count, width), time);
            EXPECT_EQ(GridGeometry::columnEdge(count, count, width), width);
            int narrowest = width;
            int widest = 0;
            for (int c = 0; c < count; ++c) {
                const int w = GridGeometry::columnEdge(c + 1, count, width) - GridGeometry::columnEdge(c, count, width);
                narrowest = std::min(narrowest, w);
                widest = std::max(widest, w);
            }
            EXPECT_GE(narrowest, 0);
            EXPECT_LE(widest - narrowest, 1) << count << " columns in " << width; // equal but for rounding
        }
    }
}
