#include "PageGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The printable area of an A4 landscape page with 20 pt margins.
const QRectF a4(0, 0, 801.89, 555.28);

} // namespace

// From the widest columns to the narrowest: the grid fills the page, the headers span their columns,
// and text shrinks with the columns within readable bounds.
TEST(PageGeometry, columnsRowsAndHeadersFillThePageAndTextShrinksWithTheColumns)
{
    qreal lastText = 9;
    qreal lastNames = 8;
    for (const auto& [days, dentists] : {std::pair(1, 3), std::pair(5, 0), std::pair(3, 3), std::pair(1, 11),
                                         std::pair(5, 3), std::pair(5, 12)}) {
        SCOPED_TRACE(testing::Message() << days << " days, " << dentists << " dentists");
        const PageGeometry g(a4, days, dentists);
        EXPECT_EQ(g.columns(), days * std::max(dentists, 1)); // a day without dentists keeps one column
        EXPECT_NEAR(g.columnX(g.columns()), a4.right(), 1e-9);
        EXPECT_NEAR(g.rowTop(PageGeometry::rowCount), g.bodyBottom(), 1e-9);
        EXPECT_LT(g.bodyBottom(), a4.bottom()); // room for the footer
        const QRectF lastDay = g.dayBand(days - 1);
        EXPECT_NEAR(lastDay.left(), g.dentistCell(days - 1, 0).left(), 1e-9);
        EXPECT_NEAR(lastDay.right(), g.dentistCell(days - 1, g.columnsPerDay() - 1).right(), 1e-9);
        EXPECT_LE(g.dentistCell(0, 0).bottom(), g.bodyTop() + 1e-9);

        EXPECT_GE(g.dentistNameSize(), 6);
        EXPECT_LE(g.appointmentTextSize(), lastText);
        EXPECT_LE(g.dentistNameSize(), lastNames);
        lastText = g.appointmentTextSize();
        lastNames = g.dentistNameSize();
    }
}

TEST(PageGeometry, boxesCoverTheirRowsInsideTheirColumnAndTheBackPageKeepsTheOffsets)
{
    const PageGeometry g(a4, 5, 3);
    const QRectF hour = g.appointmentBox(1, 2, 540, 60);
    const qreal left = g.columnLeft(1, 2);
    EXPECT_GT(hour.left(), left);
    EXPECT_LT(hour.right(), left + g.columnWidth());
    EXPECT_GT(hour.top(), g.rowTop(0));
    EXPECT_LT(hour.bottom(), g.rowTop(4));
    EXPECT_GT(hour.bottom(), g.rowTop(3) + g.rowHeight() / 2);
    EXPECT_LE(g.appointmentBox(4, 2, 1170, 15).bottom(), g.bodyBottom());

    // A start off the quarter grid snaps down to its row while the length stays real.
    const QRectF odd = g.appointmentBox(0, 1, 550, 20);
    EXPECT_NEAR(odd.top(), hour.top(), 1e-9);
    EXPECT_NEAR(odd.height() - g.appointmentBox(0, 1, 540, 15).height(), g.rowHeight() / 3, 1e-9);

    // The back page, further down the stacked frame.
    const PageGeometry back(a4.translated(0, a4.height()), 2, 3);
    EXPECT_NEAR(back.bodyTop() - a4.height(), g.bodyTop(), 1e-9);
    EXPECT_NEAR(back.rowHeight(), g.rowHeight(), 1e-9);
}
