// Suggestions and searches that reuse earlier work must answer exactly as a fresh count or search does,
// whoever wrote to the database in between.
#include "StoreFixture.h"

#include <QTemporaryDir>

namespace {

void insert(Database& db, const QString& day, int start, const QString& patient, const QString& phone,
            const QString& treatment)
{
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment) "
           "VALUES (1, ?, ?, 15, ?, ?, ?)",
           {day, start, patient, phone, treatment});
}

QStringList patients(const QList<Appointment>& list)
{
    QStringList names;
    for (const Appointment& a : list)
        names << a.patient;
    return names;
}

// What a store that has never searched finds.
QStringList freshSearch(Database& db, const QString& text)
{
    Store fresh(db);
    return patients(fresh.search(text));
}

} // namespace

TEST_F(StoreTest, rememberedAnswersFollowEveryWriter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    Database mine(path);
    Store s(mine);
    insert(mine, "2024-12-02", 540, "Rosa Neri", "", "Implantologia");
    EXPECT_EQ(s.treatmentSuggestions().first(), "Implantologia");
    EXPECT_EQ(patients(s.search("Ros")), QStringList{"Rosa Neri"});

    // Written through the store.
    for (int i = 0; i < 2; ++i) {
        Appointment a = booking(2, "2024-12-03", 540 + 15 * i, 15, "Rosalba Verdi");
        a.treatment = "Bite notturno";
        ASSERT_FALSE(s.save(a));
    }
    EXPECT_EQ(s.treatmentSuggestions().mid(0, 2), (QStringList{"Bite notturno", "Implantologia"}));
    EXPECT_EQ(patients(s.search("Rosa")), (QStringList{"Rosalba Verdi", "Rosalba Verdi", "Rosa Neri"}));

    // Written through the same connection, past the store.
    for (int i = 0; i < 3; ++i)
        insert(mine, "2024-12-04", 540 + 15 * i, "Rosalinda Gialli", "", "Faccette");
    EXPECT_EQ(s.treatmentSuggestions().mid(0, 3), (QStringList{"Faccette", "Bite notturno", "Implantologia"}));
    EXPECT_EQ(patients(s.search("Rosal")).count("Rosalinda Gialli"), 3);

    // Written by another connection: another copy of the program on the same folder.
    Database other(path);
    for (int i = 0; i < 4; ++i)
        insert(other, "2024-12-05", 540 + 15 * i, "Rosalia Blu", "", "Sigillatura");
    EXPECT_EQ(s.treatmentSuggestions().first(), "Sigillatura");
    EXPECT_EQ(patients(s.search("Rosali")),
              (QStringList{"Rosalia Blu", "Rosalia Blu", "Rosalia Blu", "Rosalia Blu", "Rosalinda Gialli",
                           "Rosalinda Gialli", "Rosalinda Gialli"}));

    // A write that is rolled back leaves the answers as they were.
    EXPECT_THROW(mine.transaction([&] {
        mine.run("UPDATE appointments SET patient = 'Rosalind', treatment = 'Protesi'");
        throw DatabaseError("annullato");
    }),
                 DatabaseError);
    EXPECT_EQ(s.treatmentSuggestions().first(), "Sigillatura");
    EXPECT_EQ(patients(s.search("Rosalin")), (QStringList(3, "Rosalinda Gialli")));
}

TEST_F(StoreTest, aLongerTextFindsWhatAFreshSearchFinds)
{
    insert(db, "2024-12-02", 540, "Rosa Neri", "347 1234567", "");
    insert(db, "2024-12-02", 555, "ROSSI Anna", "", "Igiene orale");
    insert(db, "2024-12-03", 540, "Marco Rossi", "", "");
    insert(db, "2024-12-03", 555, "àé Bianchi", "", "");
    insert(db, "2024-12-04", 540, "ÀÉ Verdi", "", "");
    insert(db, "2024-12-04", 555, "Luca Neri", "", "Rossetto");

    // Typing, one character at a time, and back.
    for (const QString& text : QStringList{"Ro", "Ros", "ROSS", "Rossi", "Rossi ", " rossi a", "Ross", "o", "os", "oss"})
        EXPECT_EQ(patients(store->search(text)), freshSearch(db, text)) << text.toStdString();
    EXPECT_EQ(patients(store->search("rossi")), (QStringList{"Marco Rossi", "ROSSI Anna"}));

    // LIKE folds A to Z only: after "àé" the text "ÀÉ" is a different search.
    EXPECT_EQ(patients(store->search("àé")), QStringList{"àé Bianchi"});
    EXPECT_EQ(patients(store->search("xÀÉ")), QStringList());
    EXPECT_EQ(patients(store->search("ÀÉ")), QStringList{"ÀÉ Verdi"});
    EXPECT_EQ(patients(store->search("ÀÉ V")), QStringList{"ÀÉ Verdi"});

    // Wildcards typed by the user keep their meaning, before and after a longer text.
    for (const QString& text : QStringList{"R_s", "R_ss", "R_ssi", "34%67", "34%678", "Ne", "Ne%i"})
        EXPECT_EQ(patients(store->search(text)), freshSearch(db, text)) << text.toStdString();
}

TEST_F(StoreTest, aLongerTextAfterTwoHundredMatchesSearchesEverything)
{
    db.transaction([&] {
        for (int i = 0; i < 250; ++i)
            insert(db, QDate(2024, 1, 1).addDays(i).toString("yyyy-MM-dd"), 540, QString("Paziente %1").arg(i),
                   "", "");
    });
    ASSERT_EQ(store->search("paziente").size(), 200);
    const QStringList ones = patients(store->search("paziente 1"));
    EXPECT_EQ(ones.size(), 111); // 1, 10–19, 100–199
    EXPECT_EQ(ones, freshSearch(db, "paziente 1"));
    EXPECT_EQ(ones.last(), "Paziente 1");
}
