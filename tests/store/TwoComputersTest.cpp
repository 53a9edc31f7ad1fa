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

} // namespace
