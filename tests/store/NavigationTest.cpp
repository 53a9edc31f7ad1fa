#include "StoreFixture.h"
#include "FileStore.h"

TEST_F(StoreTest, startsOnTodaysWeekOrTheNextMondayAtAWeekend)
{
    EXPECT_EQ(store->anchor(), QDate(2024, 12, 4));
    EXPECT_EQ(store->mode(), ViewMode::Week);
    EXPECT_EQ(store->title(), QStringLiteral("Settimana 2 – 6 dicembre 2024"));

    clock.set(TestSupport::at(2024, 12, 7, 23, 59)); // Saturday
    EXPECT_EQ(FileStore(db).anchor(), QDate(2024, 12, 9));
    clock.set(TestSupport::at(2024, 12, 8, 0, 0)); // Sunday
    EXPECT_EQ(FileStore(db).anchor(), QDate(2024, 12, 9));
}

TEST_F(StoreTest, stepsByWorkingDayOrWeekAndAcrossDaylightSaving)
{
    store->setMode(ViewMode::Day);
    store->setAnchor(QDate(2024, 12, 6));
    store->step(1);
    EXPECT_EQ(store->anchor(), QDate(2024, 12, 9));
    EXPECT_EQ(store->title(), QStringLiteral("Lunedì 9 dicembre 2024"));
    EXPECT_EQ(store->visibleDays(), QList<QDate>{QDate(2024, 12, 9)});
    store->step(-1);
    EXPECT_EQ(store->anchor(), QDate(2024, 12, 6));

    // A Wednesday in week mode keeps its weekday, also from the week in which Europe moves its clocks
    // forward (Sunday 30 March 2025) to the one after.
    store->setMode(ViewMode::Week);
    store->setAnchor(QDate(2025, 3, 26));
    store->step(1);
    EXPECT_EQ(store->anchor(), QDate(2025, 4, 2));
    EXPECT_EQ(store->visibleDays().first(), QDate(2025, 3, 31));
    store->setMode(ViewMode::Day);
    store->setAnchor(QDate(2025, 3, 28));
    store->step(1);
    EXPECT_EQ(store->anchor(), QDate(2025, 3, 31));
}

TEST_F(StoreTest, holdsTheWholeWeekInBothModesAndFiltersByDayAndDentist)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-02", 600, 30)));
    ASSERT_FALSE(store->save(booking(2, "2024-12-02", 570, 30, "Anna Verdi")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-06", 540, 30, "Luca Neri")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-02", 540, 30, "Prima")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-09", 540, 30, "Settimana dopo")));

    store->setMode(ViewMode::Day);
    // Sorted by day then start; another week is not loaded.
    EXPECT_EQ(patients(store->weekAppointments()), (QStringList{"Prima", "Anna Verdi", "Mario Rossi", "Luca Neri"}));
    EXPECT_EQ(patients(store->appointments(QDate(2024, 12, 2), 1)), (QStringList{"Prima", "Mario Rossi"}));
    EXPECT_TRUE(store->appointments(QDate(2024, 12, 9), 1).isEmpty());
    EXPECT_FALSE(store->dentist(99));
}

// What the window shows meanwhile is the end-to-end tests'; here the alert and when it comes again.
TEST_F(StoreTest, aWeekThatCannotBeReadAlertsOnceUntilAReadWorks)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-02", 600, 30)));
    db.execute("ALTER TABLE appointments RENAME TO archived");
    store->step(1);
    EXPECT_FALSE(store->weekLoaded());
    EXPECT_EQ(store->alertMessage(),
              QStringLiteral("Errore nella lettura degli appuntamenti: no such table: appointments"));
    EXPECT_THROW(store->fetchAppointments("2024-12-02", "2024-12-06"), DatabaseError);
    store->setAlertMessage(std::nullopt);
    store->step(1);
    EXPECT_FALSE(store->alertMessage());

    db.execute("ALTER TABLE archived RENAME TO appointments");
    store->step(-2);
    EXPECT_EQ(store->weekAppointments().size(), 1);
    db.execute("ALTER TABLE appointments RENAME TO archived");
    store->step(1);
    EXPECT_TRUE(store->alertMessage()); // a new run of failures is told again
}
