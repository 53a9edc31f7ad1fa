// Statuses and cancellations on both archives: stored beside the agenda, undone through the rules, and
// seen by another computer at its next change check.
#include "ArchiveFixture.h"
#include "FileAgendaSource.h"
#include "ServerCopy.h"
#include "ServerSchema.h"

namespace {

using Status = AppointmentStatus;

QList<qint64> ids(const QList<Appointment>& list)
{
    QList<qint64> result;
    for (const Appointment& a : list)
        result << a.id;
    return result;
}

} // namespace

class DayStatusTest : public ArchiveTest {
protected:
    qint64 book(qint64 dentist, const QString& day, int start, const QString& patient, const QString& phone = {})
    {
        Appointment a = booking(dentist, day, start, 30, patient);
        a.phone = phone;
        EXPECT_FALSE(store->save(a));
        for (const Appointment& stored : store->fetchAppointments(day, day))
            if (stored.patient == patient && stored.startMinutes == start)
                return stored.id;
        return 0;
    }

    Appointment shown(qint64 id) const
    {
        for (const Appointment& a : store->weekAppointments())
            if (a.id == id)
                return a;
        return {};
    }
};

TEST_P(DayStatusTest, statusesAreUndoneRedoneAndSeenByAnotherComputer)
{
    const qint64 anna = book(1, "2024-12-05", 600, "Anna Verdi");
    EXPECT_EQ(store->status(anna), DayStatus{});
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)other.refreshIfChangedElsewhere(); // the first look only sets the mark

    ASSERT_FALSE(store->setStatus(anna, Status::Confirmed));
    ASSERT_FALSE(store->recordCallAttempt(anna));
    EXPECT_EQ(store->status(anna), (DayStatus{Status::Confirmed, 1}));
    EXPECT_EQ(store->undoText(), "Annulla chiamata senza risposta a Anna Verdi");
    store->undo();
    EXPECT_EQ(store->status(anna), (DayStatus{Status::Confirmed, 0}));
    store->undo();
    EXPECT_EQ(store->status(anna), DayStatus{});
    store->redo();
    EXPECT_EQ(store->status(anna), (DayStatus{Status::Confirmed, 0}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM appointment_status WHERE status = 'confermato'"), 1);

    EXPECT_TRUE(TestSupport::eventually([&] {
        (void)other.refreshIfChangedElsewhere();
        return other.status(anna).status == Status::Confirmed;
    }));

    // Another computer changed it meanwhile: the undo is refused and the history stays.
    sql("UPDATE appointment_status SET status = 'arrivato'");
    store->undo();
    EXPECT_EQ(store->alertMessage(), "Impossibile annullare: cambio di stato di Anna Verdi.\nNel frattempo un altro "
                                     "computer ha cambiato lo stato di questo appuntamento (ora «Arrivato»).");
    EXPECT_TRUE(store->canUndo());
    // Gone from the agenda: no status is written for it, and its status goes with it.
    sql("DELETE FROM appointments");
    EXPECT_EQ(store->setStatus(anna, Status::NoShow), Store::deletedElsewhereText());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM appointment_status"), 0);
}

TEST_P(DayStatusTest, theConfirmationListHoldsWhatIsStillToConfirmInTimeOrder)
{
    const qint64 late = book(1, "2024-12-05", 660, "Carla Bianchi", "333 1234567");
    const qint64 called = book(2, "2024-12-05", 600, "Luca Neri", "02 1234567");
    const qint64 first = book(1, "2024-12-05", 600, "Anna Verdi");
    const qint64 confirmed = book(3, "2024-12-05", 540, "Marco Gialli");
    const qint64 cancelled = book(3, "2024-12-05", 720, "Paolo Blu");
    (void)book(1, "2024-12-06", 600, "Altro Giorno");
    ASSERT_FALSE(store->setStatus(confirmed, Status::Confirmed));
    ASSERT_FALSE(store->recordCallAttempt(called));
    ASSERT_FALSE(store->cancel(shown(cancelled), CancelledBy::Patient));

    const std::optional<QList<Store::ToConfirm>> list = store->appointmentsToConfirm(QDate(2024, 12, 5));
    ASSERT_TRUE(list);
    QList<qint64> order;
    for (const Store::ToConfirm& line : *list)
        order << line.appointment.id;
    EXPECT_EQ(order, (QList<qint64>{first, called, late}));
    EXPECT_EQ(list->value(1).dentist, "Dentista 2");
    EXPECT_EQ(list->value(1).status.callAttempts, 1);
    EXPECT_EQ(list->value(2).appointment.phone, "333 1234567");
}

TEST_P(DayStatusTest, aCancellationFreesTheSlotIsKeptAndComesBackOnlyThroughTheRules)
{
    // Now is Wednesday 10:00: Thursday 09:45 is less than 24 hours away, Thursday 10:00 is not.
    const qint64 anna = book(1, "2024-12-05", 585, "Anna Verdi", "347 1234567");
    const qint64 luca = book(2, "2024-12-05", 600, "Luca Neri");
    ASSERT_FALSE(store->setStatus(anna, Status::Confirmed));

    ASSERT_FALSE(store->cancel(shown(anna), CancelledBy::Patient, " Influenza "));
    EXPECT_EQ(store->undoText(), "Annulla disdetta di Anna Verdi");
    store->undo(); // back under its id, with its status
    EXPECT_EQ(shown(anna).patient, "Anna Verdi");
    EXPECT_EQ(store->status(anna).status, Status::Confirmed);
    store->redo();
    EXPECT_EQ(shown(anna).id, 0);
    ASSERT_FALSE(store->cancel(shown(luca), CancelledBy::Practice));
    EXPECT_EQ(ids(store->weekAppointments()), QList<qint64>{});

    const std::optional<QList<Cancellation>> kept = store->cancellations(QDate(2024, 12, 2), QDate(2024, 12, 6));
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 2);
    EXPECT_EQ(kept->at(0).appointment.id, anna);
    EXPECT_EQ(kept->at(0).appointment.phone, "347 1234567");
    EXPECT_EQ(kept->at(0).cancelledAt, "2024-12-04 10:00:00");
    EXPECT_EQ(kept->at(0).by, CancelledBy::Patient);
    EXPECT_EQ(kept->at(0).reason, "Influenza");
    EXPECT_TRUE(kept->at(0).late);
    EXPECT_EQ(kept->at(1).by, CancelledBy::Practice);
    EXPECT_FALSE(kept->at(1).late);
    EXPECT_EQ(store->missedAndLateCancelled("Anna Verdi", "347 1234567", QDate(2022, 12, 4)),
              (BrokenAppointments{0, 1}));

    // The freed slot takes a new booking; the cancelled one can then not come back there.
    const qint64 carla = book(1, "2024-12-05", 570, "Carla Bianchi");
    ASSERT_NE(carla, 0);
    EXPECT_EQ(store->restoreCancelled(anna), "Dentista 1 ha già un appuntamento 09:30–10:00 (Carla Bianchi).");
    EXPECT_EQ(store->restoreCancelled(luca), std::nullopt);
    EXPECT_EQ(shown(luca).patient, "Luca Neri");
    EXPECT_EQ(store->cancellations(QDate(2024, 12, 5), QDate(2024, 12, 5))->size(), 1);
    EXPECT_EQ(store->restoreCancelled(luca), Store::restoredElsewhereText());

    // A no-show counts in the patient's history.
    ASSERT_FALSE(store->setStatus(carla, Status::NoShow));
    EXPECT_EQ(store->missedAndLateCancelled("Carla Bianchi", {}, QDate(2022, 12, 4)), (BrokenAppointments{1, 0}));
}

TEST_P(DayStatusTest, anotherComputerSeesACancellationAtItsNextLook)
{
    const qint64 anna = book(1, "2024-12-05", 600, "Anna Verdi");
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)other.refreshIfChangedElsewhere();
    ASSERT_EQ(other.weekAppointments().size(), 1);
    ASSERT_FALSE(store->cancel(shown(anna), CancelledBy::Patient));
    EXPECT_TRUE(TestSupport::eventually([&] {
        (void)other.refreshIfChangedElsewhere();
        return other.weekAppointments().isEmpty();
    }));
    EXPECT_EQ(other.cancellations(QDate(2024, 12, 5), QDate(2024, 12, 5))->size(), 1);
    // What it still showed is not cancelled twice.
    EXPECT_EQ(other.cancel(Appointment{anna, 1, "2024-12-05", 600, 30, "Anna Verdi", {}, {}, {}}, CancelledBy::Patient),
              Store::deletedElsewhereText());
}

INSTANTIATE_TEST_SUITE_P(BothArchives, DayStatusTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });

// A server agenda of the version before: brought up to date at the first connection, its appointments
// kept, and given statuses from then on.
TEST(ServerSchemaStep, aVersionTwoDatabaseIsBroughtToVersionThree)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
    PgTestServer server;
    const QString line = server.createDatabase();
    const std::unique_ptr<PgConnection> c = PgConnection::open(*ConnectionLine::parse(line));
    c->transaction([&] { ServerSchema::prepareInTransaction(*c, 2); });
    ASSERT_EQ(c->query("SELECT to_regclass('appointment_status') IS NULL AND to_regclass('waiting_list') IS NULL")
                  .text(0, 0),
              "t");
    c->query("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
             "(1, '2024-12-05', 600, 30, 'Anna Verdi')");

    QTemporaryDir dir;
    ServerArchive archive(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    EXPECT_EQ(c->query("SELECT version FROM calvora_schema").integer(0, 0), ServerSchema::currentVersion);
    EXPECT_EQ(c->query("SELECT to_regclass('waiting_list') IS NOT NULL").text(0, 0), "t");
    Store store(archive);
    store.showDate(QDate(2024, 12, 5));
    ASSERT_EQ(store.weekAppointments().size(), 1);
    const qint64 id = store.weekAppointments().first().id;
    EXPECT_FALSE(store.setStatus(id, AppointmentStatus::Arrived));
    EXPECT_EQ(store.status(id).status, AppointmentStatus::Arrived);
}

// Statuses, cancellations and the waiting list go with the agenda when the file is copied onto a server,
// and come back in the server's backups, ids and all.
TEST(DayRecordsCopy, theFileCopiedOntoAServerAndItsBackupKeepThem)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
    QTemporaryDir dir;
    const QString file = dir.filePath("calvora.sqlite");
    {
        SqliteArchive archive(std::make_unique<Database>(file));
        Store store(archive);
        ASSERT_FALSE(store.save(Appointment{0, 1, "2024-12-05", 600, 30, "Anna Verdi", {}, {}, {}}));
        ASSERT_FALSE(store.save(Appointment{0, 2, "2024-12-05", 600, 30, "Luca Neri", {}, {}, {}}));
        ASSERT_FALSE(store.recordCallAttempt(store.weekAppointments().at(0).id));
        ASSERT_FALSE(store.cancel(store.weekAppointments().at(1), CancelledBy::Practice, "Dentista malato"));
        WaitingEntry waiting;
        waiting.patient = "Paola Rossi";
        waiting.until = QDate(2025, 1, 31);
        ASSERT_FALSE(store.saveWaitingEntry(waiting));
    }
    PgTestServer server;
    const QString line = server.createDatabase();
    EXPECT_EQ(ServerCopy::copy([&] { return FileAgendaSource::open(file); }, *ConnectionLine::parse(line)),
              (ServerCopy::Counts{3, 1, 1}));

    ServerArchive archive(*ConnectionLine::parse(line), std::make_unique<BackupFolder>(dir.path()));
    Store store(archive);
    ASSERT_EQ(store.weekAppointments().size(), 1);
    EXPECT_EQ(store.status(store.weekAppointments().first().id).callAttempts, 1);
    const QList<Cancellation> cancelled = *store.cancellations(QDate(2024, 12, 5), QDate(2024, 12, 5));
    ASSERT_EQ(cancelled.size(), 1);
    EXPECT_EQ(cancelled.first().reason, "Dentista malato");
    const QList<WaitingEntry> waiting = *store.waitingList();
    ASSERT_EQ(waiting.size(), 1);
    EXPECT_EQ(waiting.first().until, QDate(2025, 1, 31));
    // A new booking never takes the cancelled appointment's id.
    ASSERT_FALSE(store.save(Appointment{0, 3, "2024-12-05", 600, 30, "Carla Bianchi", {}, {}, {}}));
    EXPECT_GT(store.weekAppointments().last().id, cancelled.first().appointment.id);

    const QString backup = store.backupNow();
    SqliteArchive copy(std::make_unique<Database>(backup));
    EXPECT_EQ(copy.cancellations("2024-12-05", "2024-12-05").value(0).appointment.patient, "Luca Neri");
    EXPECT_EQ(copy.waitingList(), waiting);
    EXPECT_EQ(copy.statuses({store.weekAppointments().first().id}).value(store.weekAppointments().first().id).callAttempts, 1);
}
