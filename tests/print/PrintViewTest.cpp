#include "Cal.h"
#include "PrintFixture.h"

namespace {

QList<QDate> december(std::initializer_list<int> days)
{
    QList<QDate> out;
    for (const int d : days)
        out.append(QDate(2024, 12, d));
    return out;
}

} // namespace

TEST(PrintSettings, a4LandscapeWithTwentyPointMarginsAndTumbleOnlyWhenAsked)
{
    const PrintSettings single = PrintService::makePrintInfo(false);
    const PrintSettings duplex = PrintService::makePrintInfo(true);
    EXPECT_EQ(single.duplex, QPrinter::DuplexNone);
    EXPECT_EQ(duplex.duplex, QPrinter::DuplexShortSide);
    for (const PrintSettings& s : {single, duplex}) {
        EXPECT_EQ(s.pageLayout.pageSize().id(), QPageSize::A4);
        EXPECT_EQ(s.pageLayout.orientation(), QPageLayout::Landscape);
        EXPECT_EQ(s.pageLayout.margins(QPageLayout::Point), QMarginsF(20, 20, 20, 20));
        EXPECT_NEAR(s.printableSize().width(), 801.89, 0.005);
        EXPECT_NEAR(s.printableSize().height(), 555.28, 0.005);
    }
    // Applied to a printer, the page layout reads back.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    EXPECT_TRUE(duplex.applyTo(printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().margins(QPageLayout::Point), QMarginsF(20, 20, 20, 20));
}

TEST_F(PrintTest, pagesAndTitlesFollowTheLayout)
{
    const SchedulePrintView one = view(PrintLayout::WeekOnePage);
    EXPECT_EQ(one.pages(), QList<QList<QDate>>{december({2, 3, 4, 5, 6})});
    EXPECT_EQ(one.title(), QStringLiteral("Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(one.frame(), QRectF(QPointF(0, 0), one.pageSize()));
    EXPECT_NEAR(one.pageSize().width(), 801.89, 0.005);
    EXPECT_NEAR(one.pageSize().height(), 555.28, 0.005);
    EXPECT_EQ(one.ink(), QColor(Qt::black));
    EXPECT_NEAR(one.gray().redF(), 0.35, 0.001);
    EXPECT_EQ(one.gray().alpha(), 255);

    const SchedulePrintView two = view(PrintLayout::WeekTwoPages);
    EXPECT_EQ(two.pages(), (QList<QList<QDate>>{december({2, 3, 4}), december({5, 6})}));
    EXPECT_EQ(two.title(), one.title());
    EXPECT_EQ(two.pageCount(), 2);
    EXPECT_EQ(two.frame().height(), 2 * two.pageSize().height());
    EXPECT_EQ(two.pageRect(1),
              QRectF(0, two.pageSize().height(), two.pageSize().width(), two.pageSize().height()));

    store.setAnchor(QDate(2024, 12, 5));
    const SchedulePrintView day = view(PrintLayout::Day);
    EXPECT_EQ(day.pages(), QList<QList<QDate>>{december({5})});
    EXPECT_EQ(day.title(), QStringLiteral("Giovedì 5 dicembre 2024"));
    EXPECT_EQ(PrintService::jobTitle(day), QStringLiteral("Appuntamenti – Giovedì 5 dicembre 2024"));

    // A week across two years.
    store.setAnchor(QDate(2025, 1, 2));
    EXPECT_EQ(view(PrintLayout::WeekOnePage).title(),
              QStringLiteral("Settimana 30 dicembre 2024 – 3 gennaio 2025"));
}

TEST_F(PrintTest, theWholeWeekIsFetchedAndGroupedByDayWhateverTheLayout)
{
    book(1, "2024-12-02", 600, 30, "Seconda");
    book(2, "2024-12-02", 540, 30, "Prima");
    book(1, "2024-12-06", 540, 30, "Venerdì");
    book(1, "2024-12-09", 540, 30, "Settimana dopo");

    for (const PrintLayout layout : {PrintLayout::Day, PrintLayout::WeekOnePage}) {
        const SchedulePrintView v = view(layout);
        EXPECT_EQ(v.appointments().keys(), (QStringList{"2024-12-02", "2024-12-06"}));
        const QList<Appointment> monday = v.appointments().value("2024-12-02");
        ASSERT_EQ(monday.size(), 2);
        EXPECT_EQ(monday[0].patient, "Prima");
        EXPECT_EQ(monday[1].patient, "Seconda");
    }
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    EXPECT_EQ(v.dentists(), store.dentists());
    EXPECT_EQ(v.studioName(), store.studioName());
}

TEST_F(PrintTest, theViewIsASnapshot)
{
    book(1, "2024-12-02", 600, 30, "Mario Rossi");
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);

    book(2, "2024-12-03", 600, 30, "Anna Bianchi");
    QList<Dentist> renamed = store.dentists();
    renamed[0].name = "Dott. Neri";
    ASSERT_FALSE(store.saveSettings("Studio Nuovo", renamed));
    store.setAnchor(QDate(2024, 12, 11));
    store.reload();

    EXPECT_EQ(v.appointments().size(), 1);
    EXPECT_EQ(v.appointments().value("2024-12-02").size(), 1);
    EXPECT_NE(v.dentists()[0].name, "Dott. Neri");
    EXPECT_NE(v.studioName(), "Studio Nuovo");
    EXPECT_EQ(v.pages().first().first(), QDate(2024, 12, 2));
}
