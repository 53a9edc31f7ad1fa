// Suggestions and searches that reuse earlier work must answer exactly as a fresh count or search does,
// whoever wrote to the database in between.
#include "StoreFixture.h"
#include "FileStore.h"
#include "SqliteArchive.h"

#include <QTemporaryDir>

namespace {

class RememberedAnswersTest : public StoreTest {
protected:
    QTemporaryDir dir;
    Database mine{dir.filePath("calvora.sqlite")};
    Database other{mine.path()}; // another copy of the program on the same folder
    FileStore s{mine};

    // What a store that has never searched finds.
    static QStringList freshSearch(Database& on, const QString& text) { return patients(FileStore(on).search(text)); }

    // The suggestions as counted from the appointments themselves (the documented query and rule).
    static QStringList countedSuggestions(Database& on)
    {
        QStringList candidates = on.query("SELECT treatment FROM appointments WHERE treatment <> '' "
                                          "GROUP BY treatment ORDER BY COUNT(*) DESC, treatment LIMIT 25",
                                          {}, [](const SQLRow& row) { return row.text(0); });
        QStringList result;
        for (const QString& c : candidates + Store::defaultTreatments())
            if (!result.contains(c, Qt::CaseInsensitive))
                result.append(c);
        return result;
    }
};

} // namespace

// The suggestions go through the same writers in the randomised test below.
TEST_F(RememberedAnswersTest, searchesFollowEveryWriter)
{
    insert(mine, "2024-12-02", 540, "Rosa Neri");
    EXPECT_EQ(patients(s.search("Ros")), QStringList{"Rosa Neri"});
    // Written through the store.
    for (int i = 0; i < 2; ++i)
        ASSERT_FALSE(s.save(booking(2, "2024-12-03", 540 + 15 * i, 15, "Rosalba Verdi")));
    EXPECT_EQ(patients(s.search("Rosa")), (QStringList{"Rosalba Verdi", "Rosalba Verdi", "Rosa Neri"}));
    // Written through the same connection, past the store.
    for (int i = 0; i < 3; ++i)
        insert(mine, "2024-12-04", 540 + 15 * i, "Rosalinda Gialli");
    EXPECT_EQ(patients(s.search("Rosal")).count("Rosalinda Gialli"), 3);
    // Written by another connection.
    for (int i = 0; i < 4; ++i)
        insert(other, "2024-12-05", 540 + 15 * i, "Rosalia Blu");
    EXPECT_EQ(patients(s.search("Rosali")), QStringList(4, "Rosalia Blu") + QStringList(3, "Rosalinda Gialli"));
    // A write that is rolled back leaves the answers as they were.
    EXPECT_THROW(mine.transaction([&] {
        mine.run("UPDATE appointments SET patient = 'Rosalind'");
        throw DatabaseError("annullato");
    }),
                 DatabaseError);
    EXPECT_EQ(patients(s.search("Rosalin")), (QStringList(3, "Rosalinda Gialli")));
}

TEST_F(RememberedAnswersTest, aLongerTextFindsWhatAFreshSearchFinds)
{
    insert(mine, "2024-12-02", 540, "Rosa Neri", "347 1234567");
    insert(mine, "2024-12-02", 555, "ROSSI Anna", "", "Igiene orale");
    insert(mine, "2024-12-03", 540, "Marco Rossi");
    insert(mine, "2024-12-03", 555, "àé Bianchi");
    insert(mine, "2024-12-04", 540, "ÀÉ Verdi");
    insert(mine, "2024-12-04", 555, "Luca Neri", "", "Rossetto");

    // Typing, one character at a time, and back; wildcards typed by the user keep their meaning; LIKE
    // folds A to Z only, so after "àé" the text "ÀÉ" is a different search.
    for (const char* text : {"Ro", "Ros", "ROSS", "Rossi", "Rossi ", " rossi a", "Ross", "o", "os", "oss", "R_s",
                             "R_ss", "R_ssi", "34%67", "34%678", "Ne", "Ne%i", "àé", "xÀÉ", "ÀÉ", "ÀÉ V"})
        EXPECT_EQ(patients(s.search(QString::fromUtf8(text))), freshSearch(mine, QString::fromUtf8(text))) << text;
    EXPECT_EQ(patients(s.search("rossi")), (QStringList{"Marco Rossi", "ROSSI Anna"}));
    EXPECT_EQ(patients(s.search(QStringLiteral("ÀÉ"))), QStringList{QStringLiteral("ÀÉ Verdi")});
}

TEST_F(RememberedAnswersTest, searchReturnsTheNewestTwoHundredAndALongerTextSearchesEverything)
{
    mine.transaction([&] {
        for (int i = 0; i < 250; ++i)
            insert(mine, QDate(2024, 1, 1).addDays(i).toString("yyyy-MM-dd"), 540, QString("Paziente %1").arg(i));
    });
    const QStringList found = patients(s.search("paziente"));
    ASSERT_EQ(found.size(), 200);
    EXPECT_EQ(found.first(), "Paziente 249");
    EXPECT_EQ(found.last(), "Paziente 50");
    // The cut-off answer cannot be narrowed: the longer text finds the older matches as well.
    const QStringList ones = patients(s.search("paziente 1"));
    EXPECT_EQ(ones.size(), 111); // 1, 10–19, 100–199
    EXPECT_EQ(ones, freshSearch(mine, "paziente 1"));
    EXPECT_EQ(ones.last(), "Paziente 1");
}

TEST_F(RememberedAnswersTest, suggestionsKeepTheCountedOrderThroughAnyWrites)
{
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
        const auto ids =
            writer.query("SELECT id FROM appointments ORDER BY id", {}, [](const SQLRow& r) { return r.integer(0); });
        return ids.value(next(int(std::max<qsizetype>(ids.size(), 1))));
    };
    EXPECT_EQ(s.treatmentSuggestions(), countedSuggestions(mine));
    for (int step = 0; step < 400; ++step) {
        Database& writer = next(4) == 0 ? other : mine;
        const QString treatment = treatments[next(int(treatments.size()))];
        const int action = next(7);
        if (action <= 1) {
            insert(writer, "2024-12-02", 540, "P", "", treatment);
        } else if (action == 2) {
            writer.run("UPDATE appointments SET treatment = ? WHERE id = ?", {treatment, anyId(writer)});
        } else if (action == 3) {
            writer.run("UPDATE appointments SET patient = 'Q' WHERE id = ?", {anyId(writer)});
        } else if (action == 4) {
            writer.run("DELETE FROM appointments WHERE id = ?", {anyId(writer)});
        } else if (action == 5) {
            EXPECT_THROW(writer.transaction([&] {
                insert(writer, "2024-12-03", 600, "R", "", treatment);
                writer.run("DELETE FROM appointments WHERE treatment = ?", {treatments[next(6)]});
                throw DatabaseError("annullato");
            }),
                         DatabaseError);
        } else { // through the store, which trims the treatment
            Appointment a = booking(1 + next(3), "2024-12-04", 540 + 15 * next(43), 15, "S");
            a.treatment = treatment + " ";
            (void)s.save(a);
        }
        if (next(3) == 0) {
            ASSERT_EQ(s.treatmentSuggestions(), countedSuggestions(mine)) << "step " << step;
        }
        // From the copy in memory, once it is in step again.
        if (step % 50 == 0) {
            ASSERT_TRUE(s.prepareSearch(true));
            ASSERT_EQ(s.treatmentSuggestions(), countedSuggestions(mine)) << "step " << step;
        }
    }
    EXPECT_EQ(s.treatmentSuggestions(), countedSuggestions(mine));
    // The file itself holds nothing new: the objects of a new agenda, no more.
    Database fresh(":memory:");
    const SqliteArchive opened(fresh);
    const QString objects = "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master ORDER BY name)";
    EXPECT_EQ(TestSupport::text(other, objects), TestSupport::text(fresh, objects));
}
