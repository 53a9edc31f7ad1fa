// Recalls on both archives: set from the editor's save and moved with the visit, listed by month and
// overdue, closed by a booking and reopened by its cancellation, and the list's actions with their undo.
#include "ArchiveFixture.h"
#include "Cal.h"

namespace {

RecallPlan inMonths(int months, const QString& kind = "Igiene")
{
    return RecallPlan{months, std::nullopt, kind, true};
}

QStringList names(const std::optional<QList<Recall>>& list)
{
    QStringList result;
    for (const Recall& r : list.value_or(QList<Recall>{{}}))
        result << r.patient;
    return result;
}

} // namespace

class RecallTest : public ArchiveTest {
protected:
    // A past visit of the patient (by SQL, as another computer) with a recall due on `due`.
    qint64 visitWithRecall(const QString& patient, const QString& visit, const QDate& due, bool consent = true)
    {
        insert(visit, 540, patient, "333 1234567");
        const qint64 id = scalar("SELECT max(id) FROM appointments");
        Recall r;
        r.patient = patient;
        r.phone = "333 1234567";
        r.kind = "Controllo";
        r.due = due;
        r.lastVisit = *Cal::parseDayKey(visit);
        r.consent = consent;
        EXPECT_TRUE(archive->replaceRecall(id, std::nullopt, r));
        return id;
    }

    QList<Recall> december() { return store->recallList(QDate(2024, 12, 1)).value_or(QList<Recall>()); }
};

TEST_P(RecallTest, theEditorSetsMovesAndRemovesARecallAndUndoTakesItBack)
{
    Appointment a = booking(1, "2024-12-03", 600, 30, "Anna Verdi");
    a.phone = "347 1234567";
    ASSERT_FALSE(store->saveEdited(a, Appointment{}, inMonths(6)));
    const qint64 id = store->appointments(QDate(2024, 12, 3), 1).first().id;
    const auto due = [&] {
        const std::optional<Recall> r = store->recallOf(id);
        return r ? r->due : QDate();
    };
    const Recall set = *store->recallOf(id);
    EXPECT_EQ(std::tuple(set.patient, set.phone, set.kind, set.due, set.lastVisit, set.months),
              std::tuple(QString("Anna Verdi"), QString("347 1234567"), QString("Igiene"), QDate(2025, 6, 3),
                         QDate(2024, 12, 3), 6));

    // A drag to another day takes a recall counted in months along; a chosen day stays where it is.
    ASSERT_TRUE(store->move(id, QDate(2024, 12, 5), 1, 600));
    EXPECT_EQ(due(), QDate(2025, 6, 5));
    Appointment moved = *store->storedAppointment(id);
    ASSERT_FALSE(store->saveEdited(moved, moved, RecallPlan{0, QDate(2025, 3, 10), "Controllo", true}));
    EXPECT_EQ(due(), QDate(2025, 3, 10));
    EXPECT_EQ(store->recallOf(id)->kind, "Controllo");
    store->undo();
    EXPECT_EQ(due(), QDate(2025, 6, 5));
    store->undo();
    EXPECT_EQ(due(), QDate(2025, 6, 3));
    store->redo();
    EXPECT_EQ(due(), QDate(2025, 6, 5));

    // Deleting the visit deletes its recall; the undo brings both back.
    store->deleteAppointment(*store->storedAppointment(id));
    EXPECT_FALSE(store->recallOf(id));
    store->undo();
    EXPECT_EQ(due(), QDate(2025, 6, 5));

    // "Nessuno" removes it; undone, it comes back. Undoing the booking itself takes the recall too.
    moved = *store->storedAppointment(id);
    ASSERT_FALSE(store->saveEdited(moved, moved, RecallPlan{}));
    EXPECT_FALSE(store->recallOf(id));
    store->undo();
    EXPECT_EQ(due(), QDate(2025, 6, 5));
    store->undo(); // the move
    store->undo(); // the booking
    EXPECT_FALSE(store->storedAppointment(id));
    EXPECT_FALSE(store->recallOf(id));
    EXPECT_FALSE(store->alertMessage()) << store->alertMessage()->toStdString();
}

TEST_P(RecallTest, theListHoldsTheMonthAndTheOverdueLeavingOutPatientsBookedSince)
{
    visitWithRecall("Anna Verdi", "2024-06-20", QDate(2024, 12, 20));
    visitWithRecall("Bruno Neri", "2024-05-10", QDate(2024, 11, 10));
    visitWithRecall("Carla Blu", "2024-07-15", QDate(2025, 1, 15));
    visitWithRecall("Dario Bianchi", "2024-06-10", QDate(2024, 12, 10));
    insert("2024-11-15", 600, "dario bianchi"); // booked since a month before, in another letter case
    visitWithRecall("Elena Gialli", "2024-06-12", QDate(2024, 12, 12));
    insert("2024-10-01", 600, "Elena Gialli"); // before the month that closes her recall
    visitWithRecall("Franco Rosa", "2024-06-13", QDate(2024, 12, 13), false); // no consent

    EXPECT_EQ(names(store->recallList(QDate(2024, 12, 1))), QStringList({"Bruno Neri", "Elena Gialli", "Anna Verdi"}));
    EXPECT_EQ(names(store->recallList(QDate(2025, 1, 31))), QStringList({"Bruno Neri", "Carla Blu"}));
    EXPECT_EQ(names(store->recallList(QDate(2024, 11, 3))), QStringList({"Bruno Neri"}));

    // Booking Anna closes her recall; cancelling that booking opens it again.
    ASSERT_FALSE(store->save(booking(2, "2024-12-16", 600, 30, "Anna Verdi")));
    EXPECT_EQ(names(december()), QStringList({"Bruno Neri", "Elena Gialli"}));
    store->showDate(QDate(2024, 12, 16));
    const Appointment booked = store->appointments(QDate(2024, 12, 16), 2).first();
    ASSERT_FALSE(store->cancel(booked, CancelledBy::Patient));
    EXPECT_EQ(names(december()), QStringList({"Bruno Neri", "Elena Gialli", "Anna Verdi"}));
}

TEST_P(RecallTest, attemptsPauseAndDoNotCallAreCheckedAgainstWhatIsStoredAndUndone)
{
    visitWithRecall("Anna Verdi", "2024-06-20", QDate(2024, 12, 20));
    visitWithRecall("Bruno Neri", "2024-05-10", QDate(2024, 11, 10));
    ASSERT_FALSE(store->recallNotAnswered(december().last()));
    ASSERT_FALSE(store->recallNotAnswered(december().last()));
    EXPECT_EQ(std::pair(december().last().attempts, december().last().lastAttemptAt),
              std::pair(2, QString("2024-12-04 10:00:00")));
    EXPECT_EQ(store->undoText(), "Annulla tentativo di richiamo di Anna Verdi");

    ASSERT_FALSE(store->postponeRecall(december().first(), 10));
    EXPECT_EQ(names(december()), QStringList({"Anna Verdi"}));
    clock.set(TestSupport::at(2024, 12, 14, 9, 0));
    EXPECT_EQ(names(december()), QStringList({"Bruno Neri", "Anna Verdi"}));

    ASSERT_FALSE(store->stopRecall(december().first()));
    EXPECT_EQ(names(december()), QStringList({"Anna Verdi"}));
    store->undo();
    EXPECT_EQ(names(december()), QStringList({"Bruno Neri", "Anna Verdi"}));

    // Another computer counted a call meanwhile: the action seen on the old row is refused, nothing lost.
    const Recall seen = december().last();
    sql("UPDATE recalls SET attempts = 5 WHERE id = ?", {seen.id});
    EXPECT_EQ(store->stopRecall(seen), "Nel frattempo un altro computer ha cambiato questo richiamo.");
    EXPECT_EQ(december().last().attempts, 5);
    EXPECT_FALSE(december().last().doNotCall);
}

TEST_P(RecallTest, thePracticeChoicesAreKeptForEveryComputerAndCheckedFirst)
{
    RecallSettings s = store->recallSettings();
    EXPECT_EQ(s, RecallSettings::defaults());
    EXPECT_EQ(s.proposalFor(" igiene orale ").months, 6);
    s.kinds.append({"Ortodonzia", 12, 30});
    s.treatments.append({"Apparecchio", "Ortodonzia", 12});
    s.consentByDefault = false;
    ASSERT_FALSE(store->setRecallSettings(s));
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    EXPECT_EQ(other.recallSettings(), s);
    EXPECT_EQ(other.recallSettings().proposalFor("apparecchio"), (RecallPlan{12, std::nullopt, "Ortodonzia", false}));

    RecallSettings bad = s;
    bad.kinds.append({"ortodonzia", 6, 30});
    EXPECT_EQ(store->setRecallSettings(bad), "Il tipo di richiamo «ortodonzia» è già in elenco.");
    bad = s;
    bad.kinds.removeLast();
    EXPECT_EQ(store->setRecallSettings(bad),
              "La prestazione «Apparecchio» richiama un tipo che non c'è più: «Ortodonzia».");
    EXPECT_EQ(store->recallSettings(), s);
}

INSTANTIATE_TEST_SUITE_P(BothArchives, RecallTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
