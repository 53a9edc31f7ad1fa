// Two programs on one data folder: this store, and another connection that writes past it, as a
// second reception computer does.
#include "StoreFixture.h"
#include "FileStore.h"

#include <QTemporaryDir>

namespace {

class TwoComputersTest : public StoreTest {
protected:
    QTemporaryDir dir;
    Database mine{dir.filePath("calvora.sqlite")};
    Database theirs{dir.filePath("calvora.sqlite")};
    FileStore shared{mine};

    qint64 rows(const QString& where = "1")
    {
        return mine.query("SELECT COUNT(*) FROM appointments WHERE " + where, {},
                          [](const SQLRow& r) { return r.integer(0); })
            .value(0);
    }

    Appointment bookShared(const QString& patient, int start = 600)
    {
        EXPECT_FALSE(shared.save(booking(1, "2024-12-03", start, 30, patient)));
        return shared.appointments(QDate(2024, 12, 3), 1).last();
    }
};

TEST_F(TwoComputersTest, OtherProgramsCommitsAreFollowedAndNothingElseIsPublished)
{
    shared.setMode(ViewMode::Day);
    shared.newAppointment(QDate(2024, 12, 5), 2, 600);
    const auto editing = shared.editing();
    QSignalSpy published(&shared, &Store::changed);
    QSignalSpy elsewhere(&shared, &Store::changedElsewhere);

    EXPECT_FALSE(shared.refreshIfChangedElsewhere());
    insert(theirs, "2024-12-03", 600, "Altro computer");
    theirs.run("UPDATE dentists SET name = 'Dott. Bianchi' WHERE id = 2");
    theirs.run("UPDATE settings SET value = 'Studio Sorriso' WHERE key = 'studio_name'");
    EXPECT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(patients(shared.weekAppointments()), QStringList{"Altro computer"});
    EXPECT_EQ(shared.dentist(2)->name, "Dott. Bianchi");
    EXPECT_EQ(shared.studioName(), "Studio Sorriso");
    EXPECT_EQ(shared.anchor(), QDate(2024, 12, 4));
    EXPECT_EQ(shared.mode(), ViewMode::Day);
    EXPECT_EQ(shared.editing(), editing);
    EXPECT_EQ(elsewhere.count(), 1);
    EXPECT_EQ(published.count(), 3); // dentists, name, week

    // A new dentist and a closed day arrive the same way.
    theirs.run("INSERT INTO dentists (name, color, position) VALUES ('Dentista 4', '#8E44AD', 3)");
    theirs.run("INSERT INTO settings (key, value) VALUES ('closed_days', '2024-12-06\t2024-12-06\tPonte')");
    EXPECT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(shared.visibleDentists().size(), 4);
    EXPECT_EQ(shared.closedPeriodOn(QDate(2024, 12, 6))->reason, "Ponte");

    // A change in another week reloads but publishes nothing; the store's own writes are not news.
    published.clear();
    insert(theirs, "2025-01-08", 600, "Altra settimana");
    EXPECT_TRUE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(published.count(), 0);
    bookShared("Anna Verdi", 720);
    EXPECT_FALSE(shared.refreshIfChangedElsewhere());
    EXPECT_EQ(elsewhere.count(), 3);
}

TEST_F(TwoComputersTest, ARefusedSaveOrMoveShowsTheAppointmentThatCausedIt)
{
    const Appointment anna = bookShared("Anna Verdi", 540);
    insert(theirs, "2024-12-03", 600, "Altro computer");
    ASSERT_EQ(shared.weekAppointments().size(), 1); // not looked at yet
    EXPECT_EQ(shared.save(booking(1, "2024-12-03", 600, 30)),
              QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:15 (Altro computer)."));
    EXPECT_EQ(patients(shared.weekAppointments()), QStringList({"Anna Verdi", "Altro computer"}));

    theirs.run("DELETE FROM appointments WHERE patient = 'Altro computer'");
    insert(theirs, "2024-12-03", 660, "Terzo");
    EXPECT_FALSE(shared.move(anna.id, QDate(2024, 12, 3), 1, 660));
    EXPECT_EQ(patients(shared.weekAppointments()), QStringList({"Anna Verdi", "Terzo"}));
}

TEST_F(TwoComputersTest, ASaveOverARowChangedElsewhereSaysWhatChangedAndWritesNothing)
{
    const Appointment opened = bookShared("Anna Verdi");
    theirs.run("UPDATE appointments SET start_min = 630, treatment = 'Igiene orale', notes = 'Allergica'");
    Appointment draft = opened;
    draft.phone = "347 1234567";

    const std::optional<SaveRefusal> refusal = shared.saveEdited(draft, opened);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->reason, SaveRefusal::Reason::ChangedElsewhere);
    EXPECT_EQ(refusal->message, QStringLiteral("Nel frattempo un altro computer ha modificato questo appuntamento "
                                               "(ora 10:30–11:00, prestazione «Igiene orale», note cambiate)."));
    ASSERT_TRUE(refusal->stored);
    EXPECT_EQ(refusal->stored->startMinutes, 630);
    EXPECT_EQ(rows("start_min = 630 AND phone = ''"), 1); // theirs kept
}

} // namespace
