// The waiting list on both archives: kept and changed, matched against a freed start, offered when
// another computer frees one, and left by the patient booked from it.
#include "ArchiveFixture.h"

namespace {

WaitingEntry wanting(const QString& patient, int duration = 30)
{
    WaitingEntry e;
    e.patient = patient;
    e.durationMinutes = duration;
    e.from = QDate(2024, 12, 4);
    return e;
}

QStringList names(const QList<WaitingEntry>& list)
{
    QStringList result;
    for (const WaitingEntry& e : list)
        result << e.patient;
    return result;
}

} // namespace

class WaitingListTest : public ArchiveTest {
protected:
    WaitingEntry stored(const QString& patient)
    {
        for (const WaitingEntry& e : store->waitingList().value_or(QList<WaitingEntry>()))
            if (e.patient == patient)
                return e;
        return {};
    }

    const Appointment* shown(const QString& patient) const
    {
        for (const Appointment& a : store->weekAppointments())
            if (a.patient == patient)
                return &a;
        return nullptr;
    }
};

TEST_P(WaitingListTest, entriesAreKeptChangedAndRemoved)
{
    WaitingEntry anna = wanting("  Anna Verdi ", 45);
    anna.phone = "333 1234567";
    anna.dentistId = 2;
    anna.weekdays = 0b10101;
    anna.part = DayPart::Afternoon;
    anna.until = QDate(2025, 1, 31);
    anna.note = "Preferisce dopo le 17";
    ASSERT_FALSE(store->saveWaitingEntry(anna));
    WaitingEntry luca = wanting("Luca Neri");
    luca.from = QDate();
    ASSERT_FALSE(store->saveWaitingEntry(luca));

    const QList<WaitingEntry> list = *store->waitingList();
    ASSERT_EQ(names(list), QStringList({"Anna Verdi", "Luca Neri"}));
    WaitingEntry back = list[0];
    EXPECT_EQ(back.createdAt, "2024-12-04 10:00:00");
    anna.id = back.id;
    anna.patient = "Anna Verdi";
    anna.createdAt = back.createdAt;
    EXPECT_EQ(back, anna);
    EXPECT_FALSE(list[1].dentistId);
    EXPECT_FALSE(list[1].until);
    EXPECT_EQ(list[1].from, QDate(2024, 12, 4)) << "an unset first day is today";

    back.durationMinutes = 60;
    back.dentistId.reset();
    back.until.reset();
    ASSERT_FALSE(store->saveWaitingEntry(back));
    EXPECT_EQ(stored("Anna Verdi"), back);

    EXPECT_EQ(store->saveWaitingEntry(wanting("  ")), "Inserire il nome del paziente.");
    WaitingEntry noDays = wanting("Carla Bianchi");
    noDays.weekdays = 0;
    EXPECT_EQ(store->saveWaitingEntry(noDays), "Scegli almeno un giorno della settimana.");
    WaitingEntry backwards = wanting("Carla Bianchi");
    backwards.until = QDate(2024, 12, 3);
    EXPECT_TRUE(store->saveWaitingEntry(backwards));

    ASSERT_FALSE(store->removeWaitingEntry(back.id));
    EXPECT_EQ(names(*store->waitingList()), QStringList({"Luca Neri"}));
    EXPECT_EQ(store->saveWaitingEntry(back),
              "Nel frattempo un altro computer ha tolto questo paziente dalla lista d'attesa.");
}

TEST_P(WaitingListTest, aFreedStartMatchesByDentistDaysPartAndFreeTime)
{
    // Thursday 5 December, dentist 1: free from 10:00 until the next appointment at 10:30.
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 630, 30, "Occupato")));
    const FreeSlot slot{QDate(2024, 12, 5), 600, 1};
    const auto add = [&](WaitingEntry e, const std::function<void(WaitingEntry&)>& shape) {
        shape(e);
        ASSERT_FALSE(store->saveWaitingEntry(e));
    };
    add(wanting("Fits"), [](WaitingEntry&) {});
    add(wanting("TooLong", 45), [](WaitingEntry&) {});
    add(wanting("OtherDentist"), [](WaitingEntry& e) { e.dentistId = 2; });
    add(wanting("MondaysOnly"), [](WaitingEntry& e) { e.weekdays = 0b00001; });
    add(wanting("Afternoons"), [](WaitingEntry& e) { e.part = DayPart::Afternoon; });
    add(wanting("NotYet"), [](WaitingEntry& e) { e.from = QDate(2024, 12, 6); });
    add(wanting("NoLonger"), [](WaitingEntry& e) { e.until = QDate(2024, 12, 4); });
    add(wanting("ExactFit", 30), [](WaitingEntry& e) {
        e.dentistId = 1;
        e.weekdays = 0b01000;
        e.part = DayPart::Morning;
        e.until = QDate(2024, 12, 5);
    });
    EXPECT_EQ(names(*store->matchesFor(slot)), QStringList({"Fits", "ExactFit"}));
    // A start already past, and a morning entry whose time would run into the afternoon.
    EXPECT_TRUE(store->matchesFor(FreeSlot{QDate(2024, 12, 4), 540, 1})->isEmpty());
    EXPECT_EQ(names(*store->matchesFor(FreeSlot{QDate(2024, 12, 5), 765, 1})), QStringList({"Fits", "TooLong"}));
}

TEST_P(WaitingListTest, aStartFreedOnAnotherComputerIsOfferedAndTheBookedPatientLeavesTheList)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Anna Verdi")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Luca Neri")));
    WaitingEntry paola = wanting("Paola Rossi");
    paola.phone = "347 7654321";
    ASSERT_FALSE(store->saveWaitingEntry(paola));
    paola = stored("Paola Rossi");

    // Freed here: a cancellation.
    ASSERT_FALSE(store->cancel(*shown("Luca Neri"), CancelledBy::Patient));
    ASSERT_TRUE(store->waitingOffer());
    EXPECT_EQ(store->waitingOffer()->slot, (FreeSlot{QDate(2024, 12, 5), 660, 1}));
    store->dismissWaitingOffer();
    EXPECT_FALSE(store->waitingOffer());

    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)store->refreshIfChangedElsewhere(); // the first look only sets the mark
    other.deleteAppointment(other.weekAppointments().first());
    ASSERT_TRUE(TestSupport::eventually([&] {
        (void)store->refreshIfChangedElsewhere();
        return store->waitingOffer().has_value();
    }));
    const Store::WaitingOffer offer = *store->waitingOffer();
    EXPECT_EQ(offer.slot, (FreeSlot{QDate(2024, 12, 5), 600, 1}));
    EXPECT_EQ(offer.entries, QList<WaitingEntry>{paola});
    EXPECT_EQ(store->slotText(offer.slot), "gio 5 dic 10:00 (Dentista 1)");

    store->bookFromWaitingList(offer.entries.first(), offer.slot);
    ASSERT_TRUE(store->editing());
    const Appointment draft = *store->editing();
    EXPECT_EQ(draft, (Appointment{0, 1, "2024-12-05", 600, 30, "Paola Rossi", "347 7654321", {}, {}}));
    ASSERT_FALSE(store->saveEdited(draft, draft));
    store->setEditing(std::nullopt);
    EXPECT_TRUE(store->waitingList()->isEmpty());
    EXPECT_FALSE(store->waitingOffer());

    // An editor closed without saving leaves the entry on the list.
    ASSERT_FALSE(store->saveWaitingEntry(wanting("Marco Gialli")));
    store->bookFromWaitingList(stored("Marco Gialli"), FreeSlot{QDate(2024, 12, 5), 660, 1});
    store->setEditing(std::nullopt);
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Qualcun altro")));
    EXPECT_EQ(names(*store->waitingList()), QStringList({"Marco Gialli"}));
}

TEST_P(WaitingListTest, theOfferOnShowIsJudgedAgainWhenAnotherComputerChangesTheList)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Anna Verdi")));
    ASSERT_FALSE(store->saveWaitingEntry(wanting("Paola Rossi")));
    ASSERT_FALSE(store->cancel(*shown("Anna Verdi"), CancelledBy::Patient));
    ASSERT_TRUE(store->waitingOffer());

    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)store->refreshIfChangedElsewhere(); // the first look only sets the mark
    const auto offered = [&] {
        (void)store->refreshIfChangedElsewhere();
        return store->waitingOffer() ? names(store->waitingOffer()->entries) : QStringList{"(nessuna offerta)"};
    };
    // No appointment changes: only the list does.
    ASSERT_FALSE(other.saveWaitingEntry(wanting("Marco Gialli")));
    EXPECT_TRUE(TestSupport::eventually([&] { return offered() == QStringList({"Paola Rossi", "Marco Gialli"}); }))
        << offered().join(", ").toStdString();
    ASSERT_FALSE(other.removeWaitingEntry(stored("Paola Rossi").id));
    EXPECT_TRUE(TestSupport::eventually([&] { return offered() == QStringList({"Marco Gialli"}); }));
    ASSERT_FALSE(other.removeWaitingEntry(stored("Marco Gialli").id));
    EXPECT_TRUE(TestSupport::eventually([&] { return offered() == QStringList({"(nessuna offerta)"}); }));
}

INSTANTIATE_TEST_SUITE_P(BothArchives, WaitingListTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
