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

namespace {

// The suggestions as counted from the appointments themselves (the documented query and rule).
QStringList countedSuggestions(Database& db)
{
    QStringList candidates = db.query("SELECT treatment FROM appointments WHERE treatment <> ''\n"
                                      "GROUP BY treatment ORDER BY COUNT(*) DESC LIMIT 25",
                                      {}, [](const SQLRow& row) { return row.text(0); });
    candidates += Store::defaultTreatments();
    QStringList result;
    for (const QString& c : std::as_const(candidates))
        if (!result.contains(c, Qt::CaseInsensitive))
            result.append(c);
    return result;
}

} // namespace

TEST_F(StoreTest, suggestionsKeepTheCountedOrderThroughAnyWrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    Database mine(path);
    Database other(path);
    Store s(mine);
    // Few uses of many treatments (also empty and differing only in case): ties everywhere, and more
    // than 25 of them.
    QStringList treatments{"", "Igiene orale", "igiene orale", "Protesi", "protesi ", "Faccette"};
    for (int i = 0; i < 30; ++i)
        treatments << QString("Trattamento %1").arg(i, 2, 10, QChar('0'));
    quint32 seed = 20241204;
    const auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    const auto anyId = [&](Database& writer) {
        const qint64 rows =
            writer.query("SELECT COUNT(*) FROM appointments", {}, [](const SQLRow& r) { return r.integer(0); })
                .value(0);
        return writer
            .query("SELECT id FROM appointments ORDER BY id LIMIT 1 OFFSET ?", {next(int(std::max<qint64>(rows, 1)))},
                   [](const SQLRow& r) { return r.integer(0); })
            .value(0);
    };
    EXPECT_EQ(s.treatmentSuggestions(), countedSuggestions(mine));
    for (int step = 0; step < 400; ++step) {
        Database& writer = next(4) == 0 ? other : mine;
        const QString treatment = treatments[next(int(treatments.size()))];
        switch (next(7)) {
        case 0:
        case 1:
            insert(writer, "2024-12-02", 540, "P", "", treatment);
            break;
        case 2:
            writer.run("UPDATE appointments SET treatment = ? WHERE id = ?", {treatment, anyId(writer)});
            break;
        case 3:
            writer.run("UPDATE appointments SET patient = 'Q' WHERE id = ?", {anyId(writer)});
            break;
        case 4:
            writer.run("DELETE FROM appointments WHERE id = ?", {anyId(writer)});
            break;
        case 5:
            EXPECT_THROW(writer.transaction([&] {
                insert(writer, "2024-12-03", 600, "R", "", treatment);
                writer.run("DELETE FROM appointments WHERE treatment = ?", {treatments[next(6)]});
                throw DatabaseError("annullato");
            }),
                         DatabaseError);
            break;
        default: {
            // Through the store, which trims the treatment.
            Appointment a = booking(1 + next(3), "2024-12-04", 540 + 15 * next(43), 15, "S");
            a.treatment = treatment + " ";
            (void)s.save(a);
            break;
        }
        }
        if (next(3) == 0) {
            ASSERT_EQ(s.treatmentSuggestions(), countedSuggestions(mine)) << "step " << step;
        }
    }
    EXPECT_EQ(s.treatmentSuggestions(), countedSuggestions(mine));
    // The file itself holds nothing new.
    EXPECT_EQ(other.query("SELECT COUNT(*) FROM sqlite_master WHERE name NOT IN ('dentists', 'appointments', "
                          "'idx_appointments_day', 'settings', 'sqlite_sequence') AND name NOT LIKE 'sqlite_autoindex%'",
                          {}, [](const SQLRow& r) { return r.integer(0); })
                  .value(-1),
              0);
}
