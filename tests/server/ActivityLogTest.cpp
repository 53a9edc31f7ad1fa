// The activity log: one entry for each change the receptionist makes, written with the change and only
// with it, read back by record and by page, and its chain checked by the program's own command.
#include "ArchiveFixture.h"
#include "CalendarExport.h"
#include "LogVerification.h"
#include "ProgramRun.h"
#include "ReminderExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject json(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QJsonArray pair(const QJsonValue& before, const QJsonValue& after)
{
    return QJsonArray{before, after};
}

} // namespace

class ActivityLogTest : public ArchiveTest {
protected:
    [[nodiscard]] QList<ActivityEntry> entries() const
    {
        QList<ActivityEntry> all;
        archive->forEachLogEntry([&all](const ActivityEntry& e) {
            all.append(e);
            return true;
        });
        return all;
    }

    // Runs an act and answers the one entry it added (failing the test when it added none or several).
    template <typename Act>
    ActivityEntry onlyEntryOf(Act act)
    {
        const qsizetype before = entries().size();
        act();
        const QList<ActivityEntry> after = entries();
        EXPECT_EQ(after.size(), before + 1) << "one entry per act";
        return after.isEmpty() ? ActivityEntry{} : after.last();
    }

    qint64 bookedId(const QString& patient)
    {
        for (const Appointment& a : store->fetchAppointments("2024-01-01", "2025-12-31"))
            if (a.patient == patient)
                return a.id;
        return 0;
    }

    // `calvora --verify-log` on this agenda: exit status and standard output.
    std::pair<int, QString> verifyLog() const
    {
        const QStringList where = onServer() ? QStringList{"--server", serverLine} : QStringList{"--data-dir", dir.path()};
        const auto [status, out, err] = runProgram(CALVORA_PROGRAM, QStringList{"--verify-log"} + where);
        return {status, out.trimmed()};
    }
};

TEST_P(ActivityLogTest, everyKindOfChangeLeavesOneEntryWithWhatItChanged)
{
    const ActivityEntry booked = onlyEntryOf([&] { ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Anna Verdi"))); });
    const qint64 anna = bookedId("Anna Verdi");
    EXPECT_EQ(booked.action, "book");
    EXPECT_EQ(booked.target, "appointment");
    EXPECT_EQ(booked.subject, anna);
    EXPECT_EQ(booked.computer, AgendaArchive::localActor().computer);
    EXPECT_EQ(booked.account, AgendaArchive::localActor().account);
    if (!onServer()) { // the server's entries carry the server's own time
        EXPECT_EQ(booked.at, TestSupport::at(2024, 12, 4, 10, 0).toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzzZ"))
            << "UTC, from the program's clock";
    }
    EXPECT_EQ(json(booked.details).value("day"), pair(QJsonValue::Null, "2024-12-05"));
    EXPECT_EQ(json(booked.details).value("start_min"), pair(QJsonValue::Null, 600));
    EXPECT_EQ(json(booked.personal).value("patient"), pair(QJsonValue::Null, "Anna Verdi"));
    EXPECT_EQ(json(booked.personal).value("salt").toString().size(), 32);
    EXPECT_EQ(booked.personalDigest, ActivityChain::digest(booked.personal));

    Appointment edited = *store->storedAppointment(anna);
    edited.treatment = "Igiene orale";
    const ActivityEntry edit = onlyEntryOf([&] { ASSERT_FALSE(store->saveEdited(edited, *store->storedAppointment(anna))); });
    EXPECT_EQ(edit.action, "edit");
    EXPECT_EQ(json(edit.details), QJsonObject{}) << "only what changed";
    EXPECT_EQ(json(edit.personal).value("treatment"), pair("", "Igiene orale"));
    EXPECT_FALSE(json(edit.personal).contains("patient"));

    const ActivityEntry moved = onlyEntryOf([&] { ASSERT_TRUE(store->move(anna, QDate(2024, 12, 6), 2, 660)); });
    EXPECT_EQ(moved.action, "move");
    EXPECT_EQ(json(moved.details),
              (QJsonObject{{"day", pair("2024-12-05", "2024-12-06")}, {"start_min", pair(600, 660)}, {"dentist_id", pair(1, 2)}}));

    Appointment copy = *store->storedAppointment(anna);
    copy.id = 0;
    copy.day = "2024-12-09";
    const ActivityEntry copied = onlyEntryOf([&] { ASSERT_FALSE(store->saveEdited(copy, *store->storedAppointment(anna))); });
    EXPECT_EQ(copied.action, "copy");
    EXPECT_NE(copied.subject, anna);

    const ActivityEntry confirmed = onlyEntryOf([&] { ASSERT_FALSE(store->setStatus(anna, AppointmentStatus::Confirmed)); });
    EXPECT_EQ(confirmed.target, "status");
    EXPECT_EQ(json(confirmed.details), (QJsonObject{{"status", pair("da_confermare", "confermato")}}));
    const ActivityEntry called = onlyEntryOf([&] { ASSERT_FALSE(store->recordCallAttempt(anna)); });
    EXPECT_EQ(called.action, "call");
    EXPECT_EQ(json(called.details), (QJsonObject{{"call_attempts", pair(0, 1)}}));

    const ActivityEntry cancelled = onlyEntryOf(
        [&] { ASSERT_FALSE(store->cancel(*store->storedAppointment(anna), CancelledBy::Patient, "Influenza")); });
    EXPECT_EQ(cancelled.action, "cancel");
    EXPECT_EQ(cancelled.target, "cancellation");
    EXPECT_EQ(json(cancelled.details).value("day"), "2024-12-06");
    EXPECT_EQ(json(cancelled.personal).value("reason"), "Influenza");
    const ActivityEntry undone = onlyEntryOf([&] { store->undo(); });
    EXPECT_EQ(undone.action, "undo");
    EXPECT_EQ(undone.target, "cancellation");
    EXPECT_EQ(undone.subject, anna);

    const ActivityEntry deleted = onlyEntryOf([&] { store->deleteAppointment(*store->storedAppointment(*copied.subject)); });
    EXPECT_EQ(deleted.action, "delete");
    EXPECT_EQ(json(deleted.details).value("day"), pair("2024-12-09", QJsonValue::Null));
    EXPECT_EQ(json(deleted.personal).value("patient"), pair("Anna Verdi", QJsonValue::Null));

    WaitingEntry waiting;
    waiting.patient = "Luca Neri";
    waiting.from = QDate(2024, 12, 4);
    const ActivityEntry wait = onlyEntryOf([&] { ASSERT_FALSE(store->saveWaitingEntry(waiting)); });
    EXPECT_EQ(wait.target, "waiting");
    EXPECT_EQ(json(wait.personal).value("patient"), pair(QJsonValue::Null, "Luca Neri"));
    EXPECT_EQ(json(wait.details).value("duration_min"), pair(QJsonValue::Null, 30));

    const ActivityEntry named = onlyEntryOf([&] { ASSERT_FALSE(store->saveSettings("Studio Bianchi", store->dentists())); });
    EXPECT_EQ(named.action, "settings");
    EXPECT_EQ(json(named.details), (QJsonObject{{"key", "studio_name"}, {"value", pair("", "Studio Bianchi")}}));
    const ActivityEntry closed = onlyEntryOf(
        [&] { ASSERT_FALSE(store->setClosedPeriods({ClosedPeriod{QDate(2025, 8, 4), QDate(2025, 8, 22), "Ferie"}})); });
    EXPECT_EQ(closed.action, "closed-days");
    EXPECT_EQ(closed.target, "setting");
    const ActivityEntry added = onlyEntryOf([&] { ASSERT_FALSE(store->addDentist()); });
    EXPECT_EQ(added.target, "dentist");
    EXPECT_EQ(json(added.details).value("name"), pair(QJsonValue::Null, "Dentista 4"));

    const ActivityEntry printed = onlyEntryOf(
        [&] { ASSERT_FALSE(store->logEvent("print", "agenda", QJsonObject{{"days", QJsonArray{"2024-12-05"}}})); });
    EXPECT_EQ(printed.target, "agenda");
    EXPECT_EQ(json(printed.details).value("days"), QJsonArray{"2024-12-05"});
    EXPECT_TRUE(json(printed.personal).contains("salt"));

    // The appointment's own story, oldest first, with its statuses and its cancellation.
    QStringList story;
    for (const ActivityEntry& e : archive->logOf("appointment", anna))
        story << e.action;
    EXPECT_EQ(story, (QStringList{"book", "edit", "move", "status", "call", "cancel", "undo"}));
}

TEST_P(ActivityLogTest, exportsOfPatientDataLeaveTheirEntry)
{
    Appointment anna = booking(1, "2024-12-05", 600, 30, "Anna Verdi");
    anna.phone = "333 1234567";
    ASSERT_FALSE(store->save(anna));
    (void)store->agendaIdentity(); // made once, with its own entry
    QString error;
    const ActivityEntry reminders =
        onlyEntryOf([&] { ASSERT_EQ(ReminderExport::write(*store, QDate(2024, 12, 5), dir.filePath("p.csv"), &error), 1); });
    EXPECT_EQ(reminders.action, "export");
    EXPECT_EQ(reminders.target, "reminders");
    EXPECT_EQ(json(reminders.details), (QJsonObject{{"day", "2024-12-05"}, {"rows", 1}, {"file", "p.csv"}}));
    const ActivityEntry calendar = onlyEntryOf([&] {
        ASSERT_FALSE(CalendarExport::exportDays(*store, QDate(2024, 12, 2), QDate(2024, 12, 6), dir.filePath("a.ics")));
    });
    EXPECT_EQ(calendar.target, "calendar");
    EXPECT_EQ(json(calendar.details).value("rows"), 1);
    const ActivityEntry invite = onlyEntryOf([&] {
        ASSERT_FALSE(CalendarExport::saveInvite(*store, *store->storedAppointment(bookedId("Anna Verdi")), dir.filePath("i.ics")));
    });
    EXPECT_EQ(json(invite.personal).value("patient"), "Anna Verdi");
}

TEST_P(ActivityLogTest, aRefusedChangeLeavesNoEntryAndPagesFilterNewestFirst)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Anna Verdi")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 720, 30, "Niccolò \"Nico\" Bianchi")));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Marco Gialli")));
    const qsizetype before = entries().size();
    EXPECT_TRUE(store->save(booking(1, "2024-12-05", 615, 30, "Paola Rosa"))) << "overlaps Anna Verdi";
    EXPECT_FALSE(store->move(bookedId("Marco Gialli"), QDate(2024, 12, 5), 1, 600));
    EXPECT_EQ(entries().size(), before);

    LogFilter filter;
    filter.patient = "anna";
    const QList<ActivityEntry> anna = archive->logPage(filter, 10);
    ASSERT_EQ(anna.size(), 1);
    EXPECT_EQ(anna.first().subject, bookedId("Anna Verdi"));
    for (const char* part : {"niccolò", "\"nico\" b"}) {
        filter.patient = part;
        EXPECT_EQ(archive->logPage(filter, 10).size(), 1) << part;
    }
    filter = {};
    // The day the entries were made: the program's clock on the file, the server's own on the server.
    const QDate made = QDateTime::fromString(entries().last().at, Qt::ISODateWithMs).toLocalTime().date();
    filter.day = made;
    const QList<ActivityEntry> today = archive->logPage(filter, 1);
    ASSERT_EQ(today.size(), 1);
    EXPECT_EQ(today.first().subject, bookedId("Marco Gialli")) << "newest first";
    filter.before = today.first().n;
    EXPECT_EQ(archive->logPage(filter, 10).size(), 2) << "the next page";
    filter.after = today.first().n - 2;
    EXPECT_EQ(archive->logPage(filter, 10).size(), 1) << "only what came since an entry";
    filter.after.reset();
    filter.day = made.addDays(1);
    EXPECT_TRUE(archive->logPage(filter, 10).isEmpty());
}

TEST_P(ActivityLogTest, thePatientFilterFindsOldQuotedAndAnonymisedNamesAsTheLogSaysWithOrWithoutItsIndex)
{
    Appointment anna = booking(1, "2024-12-05", 600, 30, "Anna Verdi");
    anna.phone = "333 111";
    ASSERT_FALSE(store->save(anna));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 660, 30, "Rosa_Bianca \"Ro\" O'Neil")));
    ASSERT_FALSE(store->save(booking(2, "2024-12-05", 600, 30, "Marco Gialli")));
    const Appointment marco = *store->storedAppointment(bookedId("Marco Gialli"));
    Appointment renamed = marco;
    renamed.patient = "Marco Blu";
    ASSERT_FALSE(store->saveEdited(renamed, marco));
    ASSERT_FALSE(store->anonymisePatient("Anna Verdi", {"333 111"}, nullptr));
    const QList<ActivityEntry> log = entries();
    ASSERT_EQ(log.size(), 5);

    AgendaArchive* reading = archive.get();
    const auto found = [&](const QString& patient) {
        LogFilter filter;
        filter.patient = patient;
        QList<qint64> numbers;
        for (const ActivityEntry& e : reading->logPage(filter, 10))
            numbers << e.n;
        return numbers;
    };
    const auto answers = [&] {
        return QList<QList<qint64>>{found("GIALLI"), found("verdi"), found("anonimizzato"), found("a_b"),
                                    found("\"ro\" %neil"), found("\"ro\" o'n"), found("Nessuno Maicosì")};
    };
    const QList<QList<qint64>> expected{{log[3].n, log[2].n}, {}, {log[0].n}, {log[1].n}, {}, {log[1].n}, {}};
    EXPECT_EQ(answers(), expected);
    if (!onServer()) {
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM activity_log_names WHERE name LIKE '%Verdi%'"), 0)
            << "an anonymised name is not kept beside the log";
    }

    // A log the names were never taken from (an older program's) answers the same, read in full, and
    // the next program to open it for writing takes them.
    const QStringList names = onServer() ? QStringList{"DROP INDEX idx_activity_log_patients"}
                                         : QStringList{"DROP TABLE activity_log_names_upto",
                                                       "DROP TABLE activity_log_names", "DROP TABLE activity_log_named"};
    for (const QString& statement : names)
        sql(statement);
    EXPECT_EQ(answers(), expected) << "without the names";
    const std::unique_ptr<AgendaArchive> again = openArchive();
    reading = again.get();
    EXPECT_EQ(answers(), expected) << "with the names taken again";
}

TEST_P(ActivityLogTest, theCommandNamesTheFirstEntryChangedInsertedOrRemoved)
{
    for (int start : {540, 570, 600, 630})
        ASSERT_FALSE(store->save(booking(1, "2024-12-05", start, 30, "Paziente " + QString::number(start))));
    EXPECT_EQ(verifyLog(), std::pair(0, QString("Registro integro: 4 voci")));
    // A backup carries the log as it was; taking it is the next entry.
    SqliteArchive backup(std::make_unique<Database>(store->backupNow()));
    EXPECT_EQ(LogVerification::verify(backup).message(), "Registro integro: 4 voci");
    EXPECT_EQ(entries().last().action, "backup");

    const QList<ActivityEntry> log = entries();
    sql("UPDATE activity_log SET details = ? WHERE n = 2", {log[2].details});
    EXPECT_EQ(verifyLog(), std::pair(1, QString("Registro alterato: la voce 2 è stata modificata")));
    sql("UPDATE activity_log SET details = ? WHERE n = 2", {log[1].details});
    EXPECT_EQ(verifyLog().first, 0);

    // The server seals every row inserted into its log itself, so an entry cannot be slipped in there
    // with SQL (ServerActivityLogTest); on the file anyone who can write it can try.
    if (onServer())
        return;
    // An entry slipped in after the second, sealed as the chain asks, and the later ones renumbered.
    ActivityEntry forged = log[0];
    forged.n = 3;
    forged = ActivityChain::sealed(forged, log[1].hash);
    sql("UPDATE activity_log SET n = -n WHERE n >= 3");
    sql("UPDATE activity_log SET n = 1 - n WHERE n < 0");
    sql("INSERT INTO activity_log (n, at, action, target, subject, computer, account, operator, client, details, "
        "personal, personal_digest, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {forged.n, forged.at, forged.action, forged.target, *forged.subject, forged.computer, forged.account,
         forged.operatorName, forged.client, forged.details, forged.personal, forged.personalDigest, forged.hash});
    EXPECT_EQ(verifyLog(), std::pair(1, QString("Registro alterato: la voce 3 è stata inserita fuori ordine")));
    sql("DELETE FROM activity_log WHERE n = 3");
    sql("UPDATE activity_log SET n = -n WHERE n > 3");
    sql("UPDATE activity_log SET n = -n - 1 WHERE n < 0");
    EXPECT_EQ(verifyLog().first, 0);

    sql("DELETE FROM activity_log WHERE n = 3");
    EXPECT_EQ(verifyLog(), std::pair(1, QString("Registro alterato: manca la voce 3 (rimossa)")));
}

TEST_P(ActivityLogTest, anAppointmentDeletedOrCancelledComesBackFromItsEntryThroughTheRules)
{
    Appointment anna = booking(1, "2024-12-05", 600, 30, "Anna Verdi");
    anna.phone = "333 1234567";
    anna.treatment = "Otturazione";
    ASSERT_FALSE(store->save(anna));
    const qint64 id = bookedId("Anna Verdi");
    store->deleteAppointment(*store->storedAppointment(id));
    const ActivityEntry deleted = store->appointmentHistory(id)->last();
    ASSERT_TRUE(Store::restorableFrom(deleted));
    EXPECT_FALSE(Store::restorableFrom(store->appointmentHistory(id)->first())) << "the booking took nothing away";

    // The slot was taken meanwhile: refused as a booking would be, with the nearest free starts.
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 600, 30, "Marco Gialli")));
    const qsizetype before = entries().size();
    const std::optional<SaveRefusal> refused = store->restoreFromEntry(deleted);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->reason, SaveRefusal::Reason::Overlap);
    EXPECT_TRUE(refused->message.contains("Marco Gialli")) << refused->message.toStdString();
    ASSERT_FALSE(refused->alternatives.isEmpty());
    EXPECT_EQ(entries().size(), before);

    ASSERT_FALSE(store->restoreFromEntry(deleted, refused->alternatives.last()));
    const std::optional<Appointment> back = store->storedAppointment(id);
    ASSERT_TRUE(back) << "under its own id, so that its history goes on";
    EXPECT_EQ(back->phone, "333 1234567");
    EXPECT_EQ(back->treatment, "Otturazione");
    EXPECT_EQ(back->startMinutes, refused->alternatives.last());
    EXPECT_EQ(entries().last().action, "restore");
    EXPECT_EQ(entries().last().subject, id);
    EXPECT_TRUE(store->restoreFromEntry(deleted)) << "it is in the agenda already";
    store->undo();
    EXPECT_FALSE(store->storedAppointment(id)) << "the restore is undone like a booking";

    ASSERT_FALSE(store->save(booking(2, "2024-12-06", 600, 30, "Paola Rosa")));
    const qint64 paola = bookedId("Paola Rosa");
    ASSERT_FALSE(store->cancel(*store->storedAppointment(paola), CancelledBy::Patient, "Febbre"));
    const ActivityEntry cancelled = store->appointmentHistory(paola)->last();
    ASSERT_TRUE(Store::restorableFrom(cancelled));
    EXPECT_FALSE(store->restoreFromEntry(cancelled));
    EXPECT_TRUE(store->storedAppointment(paola));
    EXPECT_TRUE(store->restoreFromEntry(cancelled)) << "no longer cancelled";
}

INSTANTIATE_TEST_SUITE_P(BothArchives, ActivityLogTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
