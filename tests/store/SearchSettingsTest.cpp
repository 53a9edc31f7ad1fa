#include "StoreFixture.h"

TEST_F(StoreTest, searchMatchesPatientPhoneOrTreatmentNewestFirst)
{
    insert(db, "2024-11-04", 540, "Roberto Bianchi");
    insert(db, "2024-12-02", 600, "Anna Verdi", "347 1234567");
    insert(db, "2025-01-10", 540, "Luca Neri", "", "Protesi");
    insert(db, "2025-01-10", 600, "ROSA Neri");
    insert(db, "2025-01-10", 570, "Carla Blu");

    EXPECT_TRUE(store->search(" r ").isEmpty());
    EXPECT_TRUE(store->search("").isEmpty());
    EXPECT_EQ(patients(store->search(" ro ")), (QStringList{"ROSA Neri", "Luca Neri", "Roberto Bianchi"}));
    EXPECT_EQ(patients(store->search("347")), QStringList{"Anna Verdi"});
    // "%" and "_" typed by the user act as wildcards and never break the statement.
    EXPECT_EQ(patients(store->search("R_sa")), QStringList{"ROSA Neri"});
    EXPECT_TRUE(store->search("'; DROP TABLE appointments; --").isEmpty());
    EXPECT_EQ(count(), 5);
}

TEST_F(StoreTest, suggestionsPutThePracticesOwnFirstWithoutRepeats)
{
    EXPECT_EQ(store->treatmentSuggestions(), Store::defaultTreatments());
    for (int i = 0; i < 3; ++i)
        insert(db, "2024-12-02", 540 + 15 * i, "P", "", "igiene orale");
    insert(db, "2024-12-03", 540, "P", "", "Bite notturno");
    insert(db, "2024-12-03", 555, "P", "", "Igiene Orale");
    const QStringList s = store->treatmentSuggestions();
    EXPECT_EQ(s.mid(0, 2), (QStringList{"igiene orale", "Bite notturno"}));
    EXPECT_FALSE(s.contains("Igiene orale") || s.contains("Igiene Orale"));
    EXPECT_EQ(s.size(), 16); // the defaults follow, without the one already there
    db.run("DELETE FROM appointments");
    for (int i = 0; i < 30; ++i)
        insert(db, "2024-12-04", 540, "P", "", QString("Trattamento %1").arg(i));
    EXPECT_EQ(store->treatmentSuggestions().mid(25), Store::defaultTreatments()); // at most 25 of its own
}

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
