#include "StoreFixture.h"

namespace {

void insert(Database& db, const QString& day, int start, const QString& patient, const QString& phone,
            const QString& treatment)
{
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment) "
           "VALUES (1, ?, ?, 15, ?, ?, ?)",
           {day, start, patient, phone, treatment});
}

} // namespace

TEST_F(StoreTest, searchMatchesPatientPhoneOrTreatmentNewestFirst)
{
    insert(db, "2024-11-04", 540, "Roberto Bianchi", "", "");
    insert(db, "2024-12-02", 600, "Anna Verdi", "347 1234567", "");
    insert(db, "2025-01-10", 540, "Luca Neri", "", "Protesi");
    insert(db, "2025-01-10", 600, "ROSA Neri", "", "");
    insert(db, "2025-01-10", 570, "Carla Blu", "", "");

    EXPECT_TRUE(store->search(" r ").isEmpty());
    EXPECT_TRUE(store->search("").isEmpty());
    const QList<Appointment> ro = store->search(" ro ");
    QStringList names;
    for (const Appointment& a : ro)
        names << a.patient;
    EXPECT_EQ(names, (QStringList{"ROSA Neri", "Luca Neri", "Roberto Bianchi"}));
    EXPECT_EQ(store->search("347").value(0).patient, "Anna Verdi");
    // "%" and "_" typed by the user act as wildcards and never break the statement.
    EXPECT_EQ(store->search("R_sa").size(), 1);
    EXPECT_EQ(store->search("'; DROP TABLE appointments; --").size(), 0);
    EXPECT_EQ(count(), 5);
}

TEST_F(StoreTest, searchReturnsTheNewestTwoHundred)
{
    db.transaction([&] {
        for (int i = 0; i < 250; ++i)
            insert(db, QDate(2024, 1, 1).addDays(i).toString("yyyy-MM-dd"), 540, QString("Paziente %1").arg(i), "",
                   "");
    });
    const QList<Appointment> found = store->search("paziente");
    ASSERT_EQ(found.size(), 200);
    EXPECT_EQ(found.first().patient, "Paziente 249");
    EXPECT_EQ(found.last().patient, "Paziente 50");
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
    EXPECT_FALSE(s.contains("Igiene orale"));
    EXPECT_FALSE(s.contains("Igiene Orale"));
    EXPECT_EQ(s.size(), 16);
    // At most 25 of the practice's own, then the 15 defaults.
    db.run("DELETE FROM appointments");
    for (int i = 0; i < 30; ++i)
        insert(db, "2024-12-04", 540, "P", "", QString("Trattamento %1").arg(i));
    const QStringList many = store->treatmentSuggestions();
    EXPECT_EQ(many.size(), 40);
    EXPECT_EQ(many.mid(25), Store::defaultTreatments());
}

TEST_F(StoreTest, saveSettingsTrimsNamesAndFillsBlankOnes)
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
}

TEST_F(StoreTest, failedSettingsSaveRollsBackEverything)
{
    db.execute("CREATE TRIGGER stop BEFORE UPDATE ON dentists WHEN NEW.id = 3 BEGIN SELECT RAISE(ABORT, "
               "'rifiutato'); END;");
    QList<Dentist> dentists = store->dentists();
    dentists[0].name = "Nuovo";
    EXPECT_EQ(store->saveSettings("Studio", dentists), QStringLiteral("Errore durante il salvataggio: rifiutato"));
    EXPECT_EQ(store->studioName(), QString());
    Store fresh(db);
    EXPECT_EQ(fresh.studioName(), QString());
    EXPECT_EQ(fresh.dentists()[0].name, "Dentista 1");
}
