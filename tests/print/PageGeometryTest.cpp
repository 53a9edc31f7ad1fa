#include "PageGeometry.h"

#include <gtest/gtest.h>

namespace {

// The printable area of an A4 landscape page with 20 pt margins.
const QRectF a4(0, 0, 801.89, 555.28);

struct Case {
    const char* what;
    int days;
    int dentists;
    int columns;
    qreal columnWidth;
    qreal baseSize;
    qreal appointmentText;
    qreal dentistNames;
};

} // namespace

TEST(PageGeometry, columnsAndTextSizesFollowTheNumberOfColumns)
{
    const Case cases[] = {
        {"week on one page", 5, 3, 15, 51.46, 6.05, 6.05, 6.05},
        {"front of a two-page week", 3, 3, 9, 85.77, 10.09, 9, 8},
        {"back of a two-page week", 2, 3, 6, 128.648, 15.135, 9, 8},
        {"one day", 1, 3, 3, 257.30, 30.27, 9, 8},
        {"base size between the two caps", 1, 11, 11, 70.172, 8.256, 8.256, 8},
        {"crowded page: base size floored at 6", 5, 12, 60, 12.865, 6, 6, 6},
        {"no dentists: one empty column per day", 5, 0, 5, 154.38, 18.16, 9, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PageGeometry g(a4, c.days, c.dentists);
        EXPECT_EQ(g.columns(), c.columns);
        EXPECT_NEAR(g.columnWidth(), c.columnWidth, 0.005);
        EXPECT_NEAR(g.baseSize(), c.baseSize, 0.005);
        EXPECT_NEAR(g.appointmentTextSize(), c.appointmentText, 0.005);
        EXPECT_NEAR(g.dentistNameSize(), c.dentistNames, 0.005);
    }
}

TEST(PageGeometry, bandsRowsAndColumnsOfAOnePageWeek)
{
    const PageGeometry g(a4, 5, 3);
    EXPECT_DOUBLE_EQ(g.gridLeft(), 30);
    EXPECT_DOUBLE_EQ(g.gridTop(), 24);
    EXPECT_DOUBLE_EQ(g.bodyTop(), 51);
    EXPECT_NEAR(g.bodyBottom(), 543.28, 1e-9);
    EXPECT_NEAR(g.rowHeight(), 11.448, 0.0005);
    EXPECT_NEAR(g.rowTop(42), 51 + 42 * 11.4484, 0.01);
    EXPECT_NEAR(g.rowTop(PageGeometry::rowCount), g.bodyBottom(), 1e-9);
    EXPECT_EQ(PageGeometry::rowMinutes(0), 540);
    EXPECT_EQ(PageGeometry::rowMinutes(42), 1170);
    EXPECT_EQ(PageGeometry::rowMinutes(43), 1185);

    const qreal w = g.columnWidth();
    EXPECT_NEAR(g.columnLeft(1, 2), 30 + 5 * w, 1e-9);
    EXPECT_NEAR(g.columnX(15), a4.right(), 1e-9);
    const QRectF tuesday = g.dayBand(1);
    EXPECT_NEAR(tuesday.left(), 30 + 3 * w, 1e-9);
    EXPECT_NEAR(tuesday.width(), 3 * w, 1e-9);
    EXPECT_DOUBLE_EQ(tuesday.top(), 24);
    EXPECT_DOUBLE_EQ(tuesday.height(), 15);
    const QRectF cell = g.dentistCell(4, 2);
    EXPECT_NEAR(cell.left(), 30 + 14 * w, 1e-9);
    EXPECT_DOUBLE_EQ(cell.top(), 39);
    EXPECT_DOUBLE_EQ(cell.height(), 12);
    for (int c = 0; c <= g.columns(); ++c)
        EXPECT_EQ(g.isDayEdge(c), c % 3 == 0) << c;
}

TEST(PageGeometry, aPageFurtherDownTheStackedFrameKeepsItsOffsets)
{
    const PageGeometry g(QRectF(0, 555.28, 801.89, 555.28), 2, 3);
    EXPECT_NEAR(g.gridTop(), 579.28, 1e-9);
    EXPECT_NEAR(g.bodyTop(), 606.28, 1e-9);
    EXPECT_NEAR(g.bodyBottom(), 1098.56, 1e-9);
    EXPECT_NEAR(g.rowHeight(), 11.448, 0.0005);
}

TEST(PageGeometry, appointmentBoxesCoverTheirRowsLessTheirInsets)
{
    const PageGeometry g(a4, 5, 3);
    const qreal h = g.rowHeight();

    const QRectF firstHour = g.appointmentBox(0, 0, 540, 60);
    EXPECT_NEAR(firstHour.left(), 31.2, 1e-9);
    EXPECT_NEAR(firstHour.width(), g.columnWidth() - 2.4, 1e-9);
    EXPECT_NEAR(firstHour.top(), g.rowTop(0) + 0.8, 1e-9);
    EXPECT_NEAR(firstHour.bottom(), g.rowTop(4) - 0.8, 1e-9);

    const QRectF lastSlot = g.appointmentBox(4, 2, 1170, 15);
    EXPECT_NEAR(lastSlot.left(), g.columnLeft(4, 2) + 1.2, 1e-9);
    EXPECT_NEAR(lastSlot.bottom(), g.bodyBottom() - 0.8, 1e-9);

    // A start off the quarter grid snaps down to its row; the length stays real.
    const QRectF odd = g.appointmentBox(0, 1, 550, 20);
    EXPECT_NEAR(odd.top(), g.rowTop(0) + 0.8, 1e-9);
    EXPECT_NEAR(odd.height(), h * 20 / 15 - 1.6, 1e-9);
}
