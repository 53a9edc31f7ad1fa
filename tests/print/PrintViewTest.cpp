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

TEST_F(PrintTest, pagesAndTitlesFollowTheLayout)
{
    const SchedulePrintView one = view(PrintLayout::WeekOnePage);
    EXPECT_EQ(one.pages(), QList<QList<QDate>>{december({2, 3, 4, 5, 6})});
    EXPECT_EQ(one.title(), QStringLiteral("Settimana 2 – 6 dicembre 2024"));

    const SchedulePrintView two = view(PrintLayout::WeekTwoPages);
    EXPECT_EQ(two.pages(), (QList<QList<QDate>>{december({2, 3, 4}), december({5, 6})}));
    EXPECT_EQ(two.pageRect(1), QRectF(QPointF(0, two.pageSize().height()), two.pageSize()));

    store.setAnchor(QDate(2024, 12, 5));
    const SchedulePrintView day = view(PrintLayout::Day);
    EXPECT_EQ(day.pages(), QList<QList<QDate>>{december({5})});
    EXPECT_EQ(PrintService::jobTitle(day), QStringLiteral("Appuntamenti – Giovedì 5 dicembre 2024"));
}

TEST_F(PrintTest, theViewIsASnapshotOfTheWholeWeekGroupedByDay)
{
    book(1, "2024-12-02", 600, 30, "Seconda");
    book(2, "2024-12-02", 540, 30, "Prima");
    book(1, "2024-12-06", 540, 30, "Venerdì");
    book(1, "2024-12-09", 540, 30, "Settimana dopo");
    const SchedulePrintView v = view(PrintLayout::Day); // a day's view still holds the whole week
    EXPECT_EQ(v.appointments().keys(), (QStringList{"2024-12-02", "2024-12-06"}));
    const QList<Appointment> monday = v.appointments().value("2024-12-02");
    ASSERT_EQ(monday.size(), 2);
    EXPECT_EQ(monday[0].patient, "Prima");

    // Later changes to the store do not reach it.
    const QList<Dentist> dentists = store.dentists();
    const QString studio = store.studioName();
    book(2, "2024-12-03", 600, 30, "Anna Bianchi");
    QList<Dentist> renamed = store.dentists();
    renamed[0].name = "Dott. Neri";
    ASSERT_FALSE(store.saveSettings("Studio Nuovo", renamed));
    store.setAnchor(QDate(2024, 12, 11));
    store.reload();
    EXPECT_EQ(v.appointments().size(), 2);
    EXPECT_EQ(v.dentists(), dentists);
    EXPECT_EQ(v.studioName(), studio);
    EXPECT_EQ(v.pages().first().first(), QDate(2024, 12, 4));
}
