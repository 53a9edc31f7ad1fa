#include "StoreFixture.h"

TEST_F(StoreTest, saveSettingsTrimsNamesFillsBlankOnesAndRollsBackOnFailure)
{
    QList<Dentist> dentists = store->dentists();
    dentists[0].name = "  Dott. Bianchi ";
    dentists[1].name = " \n";
    dentists[2].colorHex = "#112233";
    EXPECT_FALSE(store->saveSettings("  Studio Sorriso\n", dentists));
    EXPECT_EQ(store->studioName(), "Studio Sorriso");
    EXPECT_EQ(store->dentists()[0].name, "Dott. Bianchi");
    EXPECT_EQ(store->dentists()[1].name, "Dentista 2");
    EXPECT_EQ(store->dentists()[2].colorHex, "#112233");

    // One dentist changed from the agenda: the others and the week stay as they are.
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 600, 30)));
    const QList<Appointment> week = store->weekAppointments();
    Dentist third = store->dentists()[2];
    third.colorHex = "#ABCDEF";
    EXPECT_FALSE(store->updateDentist(third));
    EXPECT_EQ(store->dentists()[2].colorHex, "#ABCDEF");
    EXPECT_EQ(store->dentists()[0].name, "Dott. Bianchi");
    EXPECT_EQ(store->weekAppointments(), week);

    // A failure on the last dentist undoes the studio name and the first dentist too.
    db.execute("CREATE TRIGGER stop BEFORE UPDATE ON dentists WHEN NEW.id = 3 BEGIN SELECT RAISE(ABORT, "
               "'rifiutato'); END;");
    dentists = store->dentists();
    dentists[0].name = "Nuovo";
    EXPECT_EQ(store->saveSettings("Studio", dentists), QStringLiteral("Errore durante il salvataggio: rifiutato"));
    EXPECT_EQ(store->studioName(), "Studio Sorriso");
    Store fresh(db);
    EXPECT_EQ(fresh.studioName(), "Studio Sorriso");
    EXPECT_EQ(fresh.dentists()[0].name, "Dott. Bianchi");
}
