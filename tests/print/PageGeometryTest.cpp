#include "PageGeometry.h"

#include <gtest/gtest.h>

namespace {

// The printable area of an A4 landscape page with 20 pt margins.
const QRectF a4(0, 0, 801.89, 555.28);

} // namespace

TEST(PageGeometry, columnsAndTextSizesFollowTheNumberOfColumns)
{
    const struct {
        const char* what;
        int days, dentists, columns;
        qreal columnWidth, baseSize, appointmentText, dentistNames;
    } cases[] = {
        {"week on one page", 5, 3, 15, 51.46, 6.05, 6.05, 6.05},
        {"front of a two-page week", 3, 3, 9, 85.77, 10.09, 9, 8},
        {"one day", 1, 3, 3, 257.30, 30.27, 9, 8},
        {"base size between the two caps", 1, 11, 11, 70.172, 8.256, 8.256, 8},
        {"crowded page: base size floored at 6", 5, 12, 60, 12.865, 6, 6, 6},
        {"no dentists: one empty column per day", 5, 0, 5, 154.38, 18.16, 9, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PageGeometry g(a4, c.days, c.dentists);
        EXPECT_EQ(g.columns(), c.columns);
        EXPECT_NEAR(g.columnWidth(), c.columnWidth, 0.005);
        EXPECT_NEAR(g.baseSize(), c.baseSize, 0.005);
        EXPECT_NEAR(g.appointmentTextSize(), c.appointmentText, 0.005);
        EXPECT_NEAR(g.dentistNameSize(), c.dentistNames, 0.005);
    }
}

TEST(PageGeometry, bandsRowsAndBoxesOfAOnePageWeek)
{
    const PageGeometry g(a4, 5, 3);
    const qreal w = g.columnWidth();
    EXPECT_DOUBLE_EQ(g.bodyTop(), 51);
    EXPECT_NEAR(g.bodyBottom(), 543.28, 1e-9);
    EXPECT_NEAR(g.rowHeight(), 11.448, 0.0005);
    EXPECT_NEAR(g.rowTop(PageGeometry::rowCount), g.bodyBottom(), 1e-9);
    EXPECT_EQ(PageGeometry::rowMinutes(42), 1170);
    EXPECT_NEAR(g.columnX(15), a4.right(), 1e-9);
    EXPECT_EQ(g.dayBand(1), QRectF(30 + 3 * w, 24, 3 * w, 15));
    EXPECT_EQ(g.dentistCell(4, 2), QRectF(30 + 14 * w, 39, w, 12));

    // Boxes cover their rows less their insets; a start off the quarter grid snaps down to its row
    // while the length stays real.
    EXPECT_EQ(g.appointmentBox(0, 0, 540, 60),
              QRectF(31.2, g.rowTop(0) + 0.8, w - 2.4, 4 * g.rowHeight() - 1.6));
    EXPECT_NEAR(g.appointmentBox(4, 2, 1170, 15).bottom(), g.bodyBottom() - 0.8, 1e-9);
    const QRectF odd = g.appointmentBox(0, 1, 550, 20);
    EXPECT_NEAR(odd.top(), g.rowTop(0) + 0.8, 1e-9);
    EXPECT_NEAR(odd.height(), g.rowHeight() * 20 / 15 - 1.6, 1e-9);

    // The back page, further down the stacked frame, keeps the same offsets.
    const PageGeometry back(QRectF(0, 555.28, 801.89, 555.28), 2, 3);
    EXPECT_NEAR(back.bodyTop(), 606.28, 1e-9);
    EXPECT_NEAR(back.rowHeight(), 11.448, 0.0005);
}
