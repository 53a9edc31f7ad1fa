// Two computers on one agenda, each with a copy of the practice that may be stale: every rule is judged
// on what is stored, and a delete or an undo removes only what the user saw.
#include "ArchiveFixture.h"
#include "StorePractice.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const ClosedPeriod congress{QDate(2024, 12, 9), QDate(2024, 12, 13), "Congresso"};

} // namespace

TEST_P(ArchiveTest, aBookingIsJudgedOnTheClosedDaysAndRetirementsAsStored)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    store->newAppointment(QDate(2024, 12, 9), 1, 600);
    ASSERT_FALSE(other.setClosedPeriods({congress}));
    // This computer has not looked yet: its editor's save is refused all the same, and the closure shows.
    EXPECT_EQ(store->save(booking(1, "2024-12-09", 600, 30)), "Lo studio è chiuso lunedì 9 dicembre 2024 (Congresso).");
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(store->closedPeriodOn(QDate(2024, 12, 10)), congress);
    EXPECT_TRUE(store->editing());

    ASSERT_FALSE(other.retireDentist(2, QDate(2024, 12, 2)));
    EXPECT_EQ(store->save(booking(2, "2024-12-05", 600, 30)), "Dentista 2 non lavora più nello studio dal 2 dicembre 2024.");
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(store->visibleDentists().size(), 2);
}

// Each computer adds or removes only its own closures: what the other wrote meanwhile stays.
TEST_P(ArchiveTest, closuresChangedOnTwoComputersAreBothKept)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    const ClosedPeriod christmas{QDate(2024, 12, 23), QDate(2024, 12, 31), "Natale"};
    ASSERT_FALSE(other.setClosedPeriods({congress}));
    ASSERT_FALSE(store->setClosedPeriods({christmas})); // this computer had seen no closure
    EXPECT_EQ(store->closedPeriods(), (QList<ClosedPeriod>{congress, christmas}));
    ASSERT_FALSE(other.setClosedPeriods({})); // the other removes the congress it saw, and only that
    EXPECT_EQ(Store(*openArchive()).closedPeriods(), QList<ClosedPeriod>{christmas});
}

TEST_P(ArchiveTest, theLastWorkingDentistCannotBeRetiredFromTwoComputers)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    ASSERT_FALSE(store->retireDentist(3, QDate(2024, 12, 2)));
    ASSERT_FALSE(store->retireDentist(1, QDate(2024, 12, 2)));
    // The other computer still believes dentists 1 and 3 work.
    EXPECT_EQ(other.retireDentist(2, QDate(2024, 12, 2)), "Deve restare almeno un dentista in attività.");
    EXPECT_EQ(Store(*openArchive()).visibleDentists().size(), 1);
    EXPECT_EQ(other.visibleDentists().size(), 1);
}

TEST_P(ArchiveTest, aDeleteOrUndoRemovesOnlyWhatTheUserSaw)
{
    ASSERT_FALSE(store->saveEdited(booking(1, "2024-12-03", 600, 30, "Anna Verdi"), {}));
    const Appointment seen = store->weekAppointments().first();
    const QString undoText = store->undoText();
    sql("UPDATE appointments SET treatment = 'Igiene orale' WHERE id = ?", {seen.id});

    store->deleteAppointment(seen);
    EXPECT_EQ(store->alertMessage(), "Impossibile eliminare l'appuntamento di Anna Verdi.\nNel frattempo un altro "
                                     "computer ha modificato questo appuntamento (prestazione «Igiene orale»).");
    store->undo();
    EXPECT_EQ(store->alertMessage(), "Impossibile annullare: nuovo appuntamento di Anna Verdi.\nNel frattempo un altro "
                                     "computer ha modificato questo appuntamento (prestazione «Igiene orale»).");
    EXPECT_EQ(count("treatment = 'Igiene orale'"), 1);
    EXPECT_EQ(store->undoText(), undoText); // the refused undo is still there
    EXPECT_FALSE(store->canRedo());

    // What is seen now is removed; its undo goes through the rules, so a slot another computer booked
    // meanwhile refuses it with the nearest free starts, and once free it brings the appointment back.
    store->setAlertMessage(std::nullopt);
    store->deleteAppointment(store->weekAppointments().first());
    EXPECT_FALSE(store->alertMessage());
    EXPECT_EQ(count(), 0);
    insert("2024-12-03", 600, "Altro computer");
    store->undo();
    EXPECT_EQ(store->alertMessage(), "Impossibile annullare: eliminazione di Anna Verdi.\nDentista 1 ha già un "
                                     "appuntamento 10:00–10:15 (Altro computer).\nI posti liberi più vicini sono "
                                     "alle 09:30 e alle 10:15.");
    EXPECT_EQ(store->undoText(), "Annulla eliminazione di Anna Verdi");
    sql("DELETE FROM appointments");
    store->setAlertMessage(std::nullopt);
    store->undo();
    EXPECT_FALSE(store->alertMessage());
    EXPECT_EQ(count("treatment = 'Igiene orale'"), 1);
    // Nor does a redo of the delete remove what another computer changed since.
    sql("UPDATE appointments SET notes = 'Allergica'");
    store->redo();
    EXPECT_TRUE(store->alertMessage()->startsWith("Impossibile ripetere: eliminazione di Anna Verdi.\nNel frattempo "
                                                  "un altro computer ha modificato"));
    EXPECT_TRUE(store->canRedo());
}

// A change of the practice under way on another computer holds the booking back until it commits, and
// the booking is then judged on it.
TEST_P(ArchiveTest, aBookingWaitsForAChangeOfThePracticeUnderWay)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    std::atomic<bool> inside = false;
    std::atomic<bool> committed = false;
    std::thread retiring([&] {
        otherArchive->writeSettingIfApproved(retiredFromKey(2), "2024-12-02", 2, "2024-12-02",
                                             [&](const AgendaArchive::SettingCheck&) {
                                                 inside = true;
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(600));
                                                 return true;
                                             });
        committed = true;
    });
    while (!inside)
        std::this_thread::yield();
    const std::optional<QString> refusal = store->save(booking(2, "2024-12-05", 600, 30));
    const bool waited = committed;
    retiring.join();
    EXPECT_TRUE(waited);
    EXPECT_EQ(refusal, "Dentista 2 non lavora più nello studio dal 2 dicembre 2024.");
    EXPECT_EQ(count(), 0);
}

TEST_P(ArchiveTest, aFailedSettingsLoadKeepsTheLastGoodCopyUntilTheNextCheck)
{
    ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
    ASSERT_FALSE(store->setClosedPeriods({congress}));
    ASSERT_FALSE(store->retireDentist(3, QDate(2024, 12, 2)));
    sql("ALTER TABLE settings RENAME TO settings_away");

    store->loadSettings();
    ASSERT_TRUE(store->alertMessage());
    EXPECT_TRUE(store->alertMessage()->startsWith("Errore nella lettura delle impostazioni: "))
        << store->alertMessage()->toStdString();
    EXPECT_EQ(store->studioName(), "Studio Sorriso");
    EXPECT_EQ(store->validate(booking(1, "2024-12-09", 600, 30)),
              "Lo studio è chiuso lunedì 9 dicembre 2024 (Congresso).");
    EXPECT_EQ(store->validate(booking(3, "2024-12-05", 600, 30)),
              "Dentista 3 non lavora più nello studio dal 2 dicembre 2024.");

    sql("ALTER TABLE settings_away RENAME TO settings");
    sql("UPDATE settings SET value = 'Studio Nuovo' WHERE key = 'studio_name'");
    EXPECT_TRUE(TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 3000));
    EXPECT_EQ(store->studioName(), "Studio Nuovo");
    EXPECT_EQ(store->closedPeriodOn(QDate(2024, 12, 9)), congress);
}

namespace {

class ServerRowTest : public ArchiveFixture {
protected:
    ServerRowTest() : ArchiveFixture(ArchiveKind::Server) {}
};

} // namespace

// Another computer's edit of the row, not yet committed, holds the delete back; once committed, the
// delete sees it and keeps it.
TEST_F(ServerRowTest, aDeleteWaitsForAnEditUnderWayAndKeepsIt)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 600, 30, "Anna Verdi")));
    const Appointment seen = store->weekAppointments().first();
    sql("BEGIN");
    sql("UPDATE appointments SET notes = 'Portare lastre' WHERE id = ?", {seen.id});
    std::thread committer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        sql("COMMIT");
    });
    store->deleteAppointment(seen);
    committer.join();
    EXPECT_EQ(count("notes = 'Portare lastre'"), 1);
    ASSERT_TRUE(store->alertMessage());
    EXPECT_TRUE(store->alertMessage()->startsWith("Impossibile eliminare l'appuntamento di Anna Verdi.\n"));
}
