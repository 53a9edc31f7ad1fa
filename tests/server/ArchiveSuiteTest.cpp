// The store's behaviour that depends on the archive, run on the data folder's file and on a server.
#include "ArchiveFixture.h"
#include "FileStore.h"
#include "Backup.h"
#include "Scalar.h"

#include <QFileInfo>
#include <QSignalSpy>

#include <atomic>
#include <functional>
#include <vector>
#include <chrono>
#include <thread>

TEST_P(ArchiveTest, bookingOverlapsAndTheirMessages)
{
    EXPECT_EQ(store->dentists().size(), 3);
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 600, 30, "Anna Verdi")));
    EXPECT_FALSE(store->save(booking(1, "2024-12-03", 630, 30))); // touches the end
    EXPECT_FALSE(store->save(booking(1, "2024-12-03", 570, 30))); // touches the start
    EXPECT_FALSE(store->save(booking(2, "2024-12-03", 615, 30))); // another dentist
    EXPECT_EQ(store->save(booking(1, "2024-12-03", 615, 30)),
              QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:30 (Anna Verdi)."));
    EXPECT_EQ(store->validate(booking(1, "2024-12-03", 600, 15)),
              QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:30 (Anna Verdi)."));
    // Saved unchanged, an appointment does not collide with itself; its copy does.
    Appointment stored = store->appointments(QDate(2024, 12, 3), 1).first();
    EXPECT_FALSE(store->save(stored));
    stored.id = 0;
    EXPECT_EQ(store->save(stored), QStringLiteral("Dentista 1 ha già un appuntamento 09:30–10:00 (Mario Rossi)."));
    EXPECT_EQ(count(), 4);
}

TEST_P(ArchiveTest, saveTrimsUpdatesAndRefusesWhatChangedElsewhere)
{
    Appointment a = booking(1, "2024-12-03", 600, 30, "  Anna Verdi \n");
    a.phone = " 347 1234567 ";
    a.notes = "\nPortare lastre\n";
    EXPECT_FALSE(store->save(a));
    ASSERT_EQ(store->weekAppointments().size(), 1);
    Appointment opened = store->weekAppointments().first();
    EXPECT_EQ(QStringList({opened.patient, opened.phone, opened.notes}),
              QStringList({"Anna Verdi", "347 1234567", "Portare lastre"}));

    // Another computer changes it: the editor opened before cannot save over it, and says what changed.
    sql("UPDATE appointments SET start_min = 660, treatment = 'Igiene orale', notes = 'Allergica' WHERE id = ?",
        {opened.id});
    Appointment draft = opened;
    draft.phone = "06 7654321";
    const std::optional<SaveRefusal> refusal = store->saveEdited(draft, opened);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->reason, SaveRefusal::Reason::ChangedElsewhere);
    EXPECT_EQ(refusal->message, "Nel frattempo un altro computer ha modificato questo appuntamento (ora 11:00–11:30, "
                                "prestazione «Igiene orale», note cambiate).");
    EXPECT_EQ(count("phone = '347 1234567' AND start_min = 660"), 1); // theirs kept

    draft = *refusal->stored;
    draft.durationMinutes = 60;
    EXPECT_FALSE(store->saveEdited(draft, *refusal->stored));
    EXPECT_EQ(count("duration_min = 60"), 1);
    // Deleted elsewhere: refused, not reported as saved.
    sql("DELETE FROM appointments");
    EXPECT_EQ(store->save(draft), "Nel frattempo un altro computer ha eliminato questo appuntamento.");
    EXPECT_EQ(count(), 0);
}

// Another computer books 10:00 inside its own transaction and commits a moment later: our check cannot
// see it, yet the save waits for it (the file's lock, the server's constraint) and is refused with the
// rule's message; the week then shows what caused it, as after a refused move.
TEST_P(ArchiveTest, aRaceIsRefusedWithTheRulesMessageAndShowsWhatCausedIt)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 540, 30, "Anna Verdi")));
    const Appointment anna = store->weekAppointments().first();
    std::atomic<bool> holding{false};
    std::thread other([&] {
        sql(onServer() ? "BEGIN" : "BEGIN IMMEDIATE");
        insert("2024-12-03", 600, "Altro computer");
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sql("COMMIT");
    });
    while (!holding)
        std::this_thread::yield();
    const std::optional<QString> message = store->save(booking(1, "2024-12-03", 600, 30));
    other.join();
    EXPECT_EQ(message, QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:15 (Altro computer)."));
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(patients(store->weekAppointments()), (QStringList{"Anna Verdi", "Altro computer"}));

    sql("DELETE FROM appointments WHERE patient = 'Altro computer'");
    insert("2024-12-03", 660, "Terzo");
    EXPECT_FALSE(store->move(anna.id, QDate(2024, 12, 3), 1, 660));
    EXPECT_EQ(patients(store->weekAppointments()), (QStringList{"Anna Verdi", "Terzo"}));
}

TEST_P(ArchiveTest, moveAndDelete)
{
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 600, 45, "Anna Verdi")));
    ASSERT_FALSE(store->save(booking(2, "2024-12-04", 660, 30, "Luca Neri")));
    const qint64 anna = store->appointments(QDate(2024, 12, 3), 1).first().id;

    EXPECT_TRUE(store->move(anna, QDate(2024, 12, 5), 3, 720));
    const Appointment moved = store->appointments(QDate(2024, 12, 5), 3).value(0);
    EXPECT_EQ(moved.id, anna);
    EXPECT_EQ(moved.durationMinutes, 45);
    EXPECT_FALSE(store->move(anna, QDate(2024, 12, 4), 2, 645));
    EXPECT_EQ(store->alertMessage(), QStringLiteral("Impossibile spostare l'appuntamento di Anna Verdi.\n"
                                                    "Dentista 2 ha già un appuntamento 11:00–11:30 (Luca Neri).\n"
                                                    "I posti liberi più vicini sono alle 10:15 e alle 11:30."));
    EXPECT_EQ(store->appointments(QDate(2024, 12, 5), 3).value(0), moved);
    store->setAlertMessage(std::nullopt);

    store->deleteAppointment(moved);
    EXPECT_FALSE(store->alertMessage());
    EXPECT_FALSE(store->move(anna, QDate(2024, 12, 2), 1, 540)); // deleted meanwhile: silent
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(store->weekAppointments().size(), 1);
}

TEST_P(ArchiveTest, undoBringsADeletedAppointmentBackUnderItsIdAndKnownPatientsComeNewestFirst)
{
    Appointment a = booking(1, "2024-12-03", 600, 30, "Anna Verdi");
    a.phone = "347 1234567";
    ASSERT_FALSE(store->save(a));
    ASSERT_FALSE(store->save(booking(2, "2024-12-05", 600, 30, "Anna Verdi")));
    ASSERT_FALSE(store->save(booking(3, "2024-12-02", 600, 30, "Annalisa Neri")));
    const Appointment stored = store->appointments(QDate(2024, 12, 3), 1).first();
    store->deleteAppointment(stored);
    EXPECT_EQ(count(), 2);
    store->undo();
    EXPECT_FALSE(store->alertMessage());
    EXPECT_EQ(store->appointments(QDate(2024, 12, 3), 1).value(0), stored);
    // A newer appointment without a phone keeps the phone of the latest one that has it; a single letter
    // proposes nobody.
    EXPECT_EQ(store->knownPatients(" ANN "),
              (QList<KnownPatient>{{"Anna Verdi", "347 1234567"}, {"Annalisa Neri", ""}}));
    EXPECT_EQ(store->knownPatients("ann", 1), (QList<KnownPatient>{{"Anna Verdi", "347 1234567"}}));
    EXPECT_TRUE(store->knownPatients("a").isEmpty());
}

TEST_P(ArchiveTest, dentistsAreAddedMovedRetiredAndReinstated)
{
    ASSERT_FALSE(store->addDentist());
    const Dentist fourth = store->dentists().last();
    EXPECT_EQ(std::tuple(fourth.id, fourth.name, fourth.position), std::tuple(qint64(4), QString("Dentista 4"), 3));
    ASSERT_FALSE(store->swapDentists(fourth.id, 1));
    EXPECT_EQ(store->dentists().first().id, 4);
    EXPECT_EQ(Store(*openArchive()).dentists(), store->dentists());

    ASSERT_FALSE(store->save(booking(3, "2024-12-10", 600, 30, "Futuro")));
    EXPECT_TRUE(store->retireDentist(3, QDate(2024, 12, 9)));
    EXPECT_FALSE(store->dentist(3)->retiredFrom.isValid());
    store->deleteAppointment(store->fetchAppointments("2024-12-10", "2024-12-10").first());
    ASSERT_FALSE(store->retireDentist(3, QDate(2024, 12, 9)));
    EXPECT_EQ(Store(*openArchive()).dentist(3)->retiredFrom, QDate(2024, 12, 9));
    ASSERT_FALSE(store->reinstateDentist(3));
    EXPECT_FALSE(Store(*openArchive()).dentist(3)->retiredFrom.isValid());
}

TEST_P(ArchiveTest, theHolidaysOfTheYearAreOfferedUntilAddedOrTurnedDownOnAnyComputer)
{
    EXPECT_EQ(store->holidayOffer(), 2024);
    // August closed already holds Ferragosto: it is not added a second time.
    const ClosedPeriod summer{QDate(2024, 8, 1), QDate(2024, 8, 31), "Ferie estive"};
    ASSERT_FALSE(store->setClosedPeriods({summer}));
    ASSERT_FALSE(store->addHolidays(2024));
    EXPECT_FALSE(store->holidayOffer());
    EXPECT_FALSE(Store(*openArchive()).holidayOffer());
    QList<ClosedPeriod> expected = ClosedDays::italianHolidays(2024);
    expected.removeIf([&](const ClosedPeriod& p) { return summer.contains(p.from); });
    expected.append(summer);
    EXPECT_EQ(store->closedPeriods(), ClosedDays::fromText(ClosedDays::toText(expected))); // sorted by day

    // A new year: offered again until one computer turns it down, then on none; the next year again.
    clock.set(TestSupport::at(2025, 1, 7, 9, 0));
    EXPECT_EQ(store->holidayOffer(), 2025);
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    ASSERT_FALSE(other.declineHolidays(2025));
    EXPECT_FALSE(other.holidayOffer());
    EXPECT_FALSE(Store(*openArchive()).holidayOffer());
    EXPECT_EQ(other.closedPeriods(), store->closedPeriods());
    clock.set(TestSupport::at(2026, 1, 7, 9, 0));
    EXPECT_EQ(Store(*openArchive()).holidayOffer(), 2026);
}

TEST_P(ArchiveTest, searchIsLikeWithAsciiCaseOnly)
{
    insert("2024-11-04", 540, "Roberto Bianchi");
    insert("2024-12-02", 600, "Anna Verdi", "347 1234567");
    insert("2025-01-10", 540, "Luca Neri", "", "Protesi");
    insert("2025-01-10", 600, "ROSA Neri");
    insert("2025-01-10", 570, "Carla Blu");
    insert("2025-01-13", 540, "àé Bianchi");
    insert("2025-01-13", 555, "ÀÉ Verdi");
    insert("2025-01-13", 570, "50% sconto_A", "", "C:\\lastre");

    EXPECT_TRUE(store->search(" r ").isEmpty());
    EXPECT_TRUE(store->search("").isEmpty());
    EXPECT_EQ(patients(store->search(" ro ")), (QStringList{"ROSA Neri", "Luca Neri", "Roberto Bianchi"}));
    EXPECT_EQ(patients(store->search("347")), QStringList{"Anna Verdi"});
    // "%", "_" and "\\" are what was typed, not wildcards.
    EXPECT_TRUE(store->search("R_sa").isEmpty());
    EXPECT_TRUE(store->search("__").isEmpty());
    EXPECT_TRUE(store->search("0%s").isEmpty());
    EXPECT_EQ(patients(store->search("0% s")), QStringList{"50% sconto_A"});
    EXPECT_EQ(patients(store->search("o_a")), QStringList{"50% sconto_A"});
    EXPECT_EQ(patients(store->search("c:\\l")), QStringList{"50% sconto_A"});
    EXPECT_TRUE(store->search("\\%").isEmpty());
    // Only A to Z ignore case: accented letters match themselves alone.
    EXPECT_EQ(patients(store->search("àé")), QStringList{"àé Bianchi"});
    EXPECT_EQ(patients(store->search("ÀÉ")), QStringList{"ÀÉ Verdi"});
    EXPECT_TRUE(store->search("'; DROP TABLE appointments; --").isEmpty());
    EXPECT_TRUE(store->search(QString("Ro") + QChar(0) + "sa").isEmpty());
    EXPECT_EQ(count(), 8);
}

TEST_P(ArchiveTest, suggestionsCountThePracticesOwnFirst)
{
    EXPECT_EQ(store->treatmentSuggestions(), Store::defaultTreatments());
    for (int i = 0; i < 3; ++i)
        insert("2024-12-02", 540 + 15 * i, "P", "", "igiene orale");
    for (int i = 0; i < 2; ++i)
        insert("2024-12-03", 540 + 15 * i, "P", "", "Bite notturno");
    insert("2024-12-03", 600, "P", "", "Igiene Orale");
    const QStringList s = store->treatmentSuggestions();
    EXPECT_EQ(s.mid(0, 2), (QStringList{"igiene orale", "Bite notturno"}));
    EXPECT_FALSE(s.contains("Igiene orale") || s.contains("Igiene Orale"));
    EXPECT_EQ(s.size(), 16);
    sql("DELETE FROM appointments");
    for (int i = 0; i < 30; ++i)
        insert("2024-12-04", 540 + 15 * i, "P", "", QString("Trattamento %1").arg(i));
    EXPECT_EQ(store->treatmentSuggestions().mid(25), Store::defaultTreatments());
}

// Appointments of the same day and start come by id, the latest written first, and equally used
// treatments in byte order: with the search index and without it, on either archive.
TEST_P(ArchiveTest, tiesComeInOneOrderWithOrWithoutTheIndex)
{
    for (const qint64 dentist : {1, 3, 2})
        sql("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, treatment) "
            "VALUES (?, '2024-12-02', 540, 15, ?, ?)",
            {dentist, QString("Rosa %1").arg(dentist), QString("Cura %1").arg(QChar(u'A' + int(dentist)))});
    const QStringList newestFirst{"Rosa 2", "Rosa 3", "Rosa 1"};
    for (const bool indexed : {false, true}) {
        if (indexed) {
            ASSERT_TRUE(store->prepareSearch(true));
        }
        EXPECT_EQ(patients(store->search("Rosa")), newestFirst) << indexed;
        QStringList known;
        for (const KnownPatient& p : store->knownPatients("Rosa"))
            known << p.name;
        EXPECT_EQ(known, newestFirst) << indexed;
        EXPECT_EQ(store->treatmentSuggestions().mid(0, 3), (QStringList{"Cura B", "Cura C", "Cura D"})) << indexed;
    }
}

// A store that keeps the search index answers every search, known patients and suggestions exactly as a
// store on a new connection, which queries: built, after its own writes, and after another computer's.
TEST_P(ArchiveTest, theSearchIndexAnswersAsTheQueriesDo)
{
    const QStringList names{"Rosa Neri", "ROSA neri", "Ròsa Bianchi", "rosà", "Marco Rossi"};
    const QStringList treatments{"Igiene orale", "igiene orale", "Protesi", "", "Estrazione à"};
    int n = 0;
    sql("BEGIN");
    for (int day = 2; day <= 27; ++day)
        for (int start = 540; start < 600; start += 15)
            for (const qint64 dentist : {2, 1, 3}) {
                ++n;
                sql("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment) "
                    "VALUES (?, ?, ?, 15, ?, ?, ?)",
                    {dentist, QString("2024-11-%1").arg(day, 2, 10, QChar('0')), start, names[n % names.size()],
                     n % 3 ? QString("347 %1").arg(n) : QString(), treatments[n % treatments.size()]});
            }
    sql("COMMIT");
    if (!onServer()) // a server cannot keep a NUL; the file can, and the index must find past it
        insert("2024-11-28", 600, QString("Anna") + QChar(0) + "Rossi");
    const QStringList texts{"ro", "RO", "rosa", "Ròsa", "à", "347 1", "IGIENE", "zz", "r_s", "a n", "%", "\\",
                            "anna rossi"};
    const auto expectAsQueried = [&](const char* when) {
        const std::unique_ptr<AgendaArchive> fresh = openArchive();
        Store queried(*fresh);
        for (const QString& text : texts) {
            const QList<Appointment> kept = store->search(text);
            ASSERT_EQ(kept.size(), queried.search(text).size()) << when << ' ' << text.toStdString();
            EXPECT_EQ(kept, queried.search(text)) << when << ' ' << text.toStdString();
            EXPECT_EQ(store->knownPatients(text), queried.knownPatients(text)) << when << ' ' << text.toStdString();
        }
        EXPECT_EQ(store->treatmentSuggestions(), queried.treatmentSuggestions()) << when;
    };
    ASSERT_TRUE(store->prepareSearch(true));
    expectAsQueried("built");

    Appointment a = booking(2, "2024-12-31", 540, 15, "Rosa Nuova");
    a.treatment = "Protesi";
    ASSERT_FALSE(store->save(a));
    Appointment saved = store->search("Rosa Nuova").value(0);
    saved.patient = "Rosa Cambiata";
    saved.treatment = "Bite";
    ASSERT_FALSE(store->save(saved));
    ASSERT_TRUE(store->move(saved.id, QDate(2024, 11, 29), 3, 1170));
    store->deleteAppointment(store->search("Marco").value(0));
    store->undo();
    EXPECT_TRUE(store->prepareSearch(false)); // still in step, not built again
    expectAsQueried("own writes");
    sql("BEGIN");
    sql("UPDATE appointments SET patient = 'Rosalind'");
    sql("ROLLBACK");
    expectAsQueried("rolled back");

    // Another computer inserts, changes and deletes; once that is noticed the answers are the queries'.
    // The file's index is made again; the server names the rows, which its index takes in.
    for (const char* other : {"INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, treatment) "
                              "VALUES (1, '2024-12-20', 540, 15, 'Rosa Altrove', 'Faccette')",
                              "UPDATE appointments SET patient = 'Rosanna', treatment = 'Bite' WHERE id % 7 = 0",
                              "DELETE FROM appointments WHERE id % 5 = 0"}) {
        sql(other);
        EXPECT_TRUE(TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 2000));
        if (onServer()) {
            EXPECT_TRUE(store->prepareSearch(false)) << other;
        }
        expectAsQueried(other);
    }
    ASSERT_TRUE(store->prepareSearch(true));
    expectAsQueried("built again");
    // Another computer's program says what it changed (the file's log, the server's notifications): the
    // index takes those rows in and stays in use.
    {
        const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
        Store elsewhere(*otherArchive);
        Appointment booked = booking(1, "2024-12-23", 600, 30, "Rosa Da Altrove");
        ASSERT_FALSE(elsewhere.save(booked));
        booked = elsewhere.search("Rosa Da Altrove").value(0);
        booked.patient = "Rosella Altrove";
        const std::vector<std::function<void()>> acts{
            [&] { ASSERT_FALSE(elsewhere.save(booked)); },
            [&] { ASSERT_TRUE(elsewhere.move(booked.id, QDate(2024, 12, 24), 2, 630)); },
            [&] { elsewhere.deleteAppointment(elsewhere.search("Rosanna").value(0)); },
            [&] { elsewhere.undo(); },
        };
        for (std::size_t i = 0; i < acts.size(); ++i) {
            acts[i]();
            EXPECT_TRUE(TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 2000));
            EXPECT_TRUE(store->prepareSearch(false)) << "act " << i;
            expectAsQueried("another computer's program");
        }
    }
    // A change of the settings or a dentist elsewhere leaves the appointments, and the index, as they are.
    for (const char* other : {"UPDATE settings SET value = 'Studio Altrove' WHERE key = 'studio_name'",
                              "UPDATE dentists SET name = 'Dentista Altrove' WHERE id = 2"}) {
        sql(other);
        EXPECT_TRUE(TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 2000));
        EXPECT_TRUE(store->prepareSearch(false)) << other;
    }

    if (onServer())
        return;
    // A day the index cannot order as the file does leaves every answer to the queries until it goes.
    sql("UPDATE appointments SET day = '2024-12-5' WHERE id = 3");
    EXPECT_FALSE(store->prepareSearch(true));
    expectAsQueried("odd day");
    sql("DELETE FROM appointments WHERE id = 3");
    EXPECT_TRUE(store->prepareSearch(true));
    expectAsQueried("odd day gone");
    // So do bytes where a text belongs (another tool's write), met halfway through the reading.
    sql("UPDATE appointments SET phone = CAST('3471' AS BLOB) WHERE id = 201");
    EXPECT_FALSE(store->prepareSearch(true));
    expectAsQueried("bytes for a phone");
}

TEST_P(ArchiveTest, answersThatReadTheAgendaComeFromAWorkerOnlyForTheNewestQuestion)
{
    for (int i = 0; i < 3; ++i)
        insert("2024-12-02", 540 + 15 * i, "Rosa Neri", "347 1", "Implantologia");
    insert("2024-12-03", 540, "Rosalia Blu", {}, "Sigillatura");
    const std::unique_ptr<AgendaArchive> fresh = openArchive();
    Store queried(*fresh);
    auto receiver = std::make_unique<QObject>();
    int dropped = 0;
    using Found = std::optional<QList<Appointment>>; // absent: not answered
    using Known = std::optional<QList<KnownPatient>>;
    Found found;
    std::optional<QStringList> suggested;
    Known known;
    store->search("ro", receiver.get(), [&](const Found&) { ++dropped; });
    store->search("rosa", receiver.get(), [&](const Found& r) { found = r; });
    store->treatmentSuggestions(receiver.get(), [&](const QStringList& r) { suggested = r; });
    store->knownPatients("rosa", receiver.get(), [&](const Known& r) { known = r; });
    // No copy in memory holds these yet: a worker answers later, as the archive's statements do, and
    // only the newest question of each kind.
    EXPECT_FALSE(found || suggested || known);
    ASSERT_TRUE(TestSupport::eventually([&] { return found && suggested && known; }));
    EXPECT_EQ(patients(*found), (QStringList{"Rosalia Blu", "Rosa Neri", "Rosa Neri", "Rosa Neri"}));
    EXPECT_EQ(*found, queried.search("rosa"));
    EXPECT_EQ(*suggested, queried.treatmentSuggestions());
    EXPECT_EQ(*known, queried.knownPatients("rosa"));
    EXPECT_FALSE(TestSupport::eventually([&] { return dropped > 0; }, 200));

    // In step, the copy in memory answers at once. After another computer's write the file's copy is
    // stale until built again, and the worker answers.
    ASSERT_TRUE(store->prepareSearch(true));
    found.reset();
    store->search("rosal", receiver.get(), [&](const Found& r) { found = r; });
    ASSERT_TRUE(found);
    EXPECT_EQ(patients(*found), QStringList{"Rosalia Blu"});
    insert("2024-12-04", 540, "Rosalba Verdi");
    if (onServer()) { // the server's copy takes the row in once its notice has arrived
        EXPECT_TRUE(TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 2000));
    }
    found.reset();
    store->search("rosal", receiver.get(), [&](const Found& r) { found = r; });
    if (!onServer()) {
        EXPECT_FALSE(found);
    }
    ASSERT_TRUE(TestSupport::eventually([&] { return found.has_value(); }));
    EXPECT_EQ(patients(*found), (QStringList{"Rosalba Verdi", "Rosalia Blu"}));
    if (onServer()) {
        // A worker whose connection was lost connects again for the next question.
        const std::unique_ptr<AgendaArchive> second = openArchive();
        Store unprepared(*second);
        const auto ask = [&] {
            auto answer = std::make_shared<std::optional<QList<Appointment>>>();
            // Not answered counts as an answer here: an empty one.
            unprepared.search("rosal", receiver.get(),
                              [answer](const Found& r) { *answer = r.value_or(QList<Appointment>()); });
            EXPECT_TRUE(TestSupport::eventually([&] { return answer->has_value(); }));
            return patients(answer->value_or(QList<Appointment>()));
        };
        EXPECT_EQ(ask(), (QStringList{"Rosalba Verdi", "Rosalia Blu"}));
        sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid <> pg_backend_pid() "
            "AND datname = current_database()");
        (void)ask(); // may meet the lost connection
        EXPECT_EQ(ask(), (QStringList{"Rosalba Verdi", "Rosalia Blu"}));
        return;
    }
    // An answer whose receiver is gone is dropped.
    insert("2024-12-05", 540, "Rosalba Verdi", {}, "Bite");
    {
        QObject gone;
        store->treatmentSuggestions(&gone, [&](const QStringList&) { ++dropped; });
    }
    EXPECT_FALSE(TestSupport::eventually([&] { return dropped > 0; }, 300));
}

TEST_P(ArchiveTest, settingsAreSavedWholeOrNotAtAll)
{
    QList<Dentist> dentists = store->dentists();
    dentists[0].name = "  Dott. Bianchi ";
    dentists[1].name = " \n";
    dentists[2].colorHex = "#112233";
    EXPECT_FALSE(store->saveSettings("  Studio Sorriso\n", dentists));
    EXPECT_EQ(store->studioName(), "Studio Sorriso");
    EXPECT_EQ(store->dentists()[1].name, "Dentista 2");
    EXPECT_EQ(store->dentists()[2].colorHex, "#112233");
    // One dentist changed from the agenda: the others stay as they are.
    Dentist third = store->dentists()[2];
    third.colorHex = "#ABCDEF";
    EXPECT_FALSE(store->updateDentist(third));
    EXPECT_EQ(store->dentists()[2].colorHex, "#ABCDEF");
    EXPECT_EQ(Store(*openArchive()).dentists(), store->dentists());

    if (onServer())
        sql("CREATE FUNCTION stop() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'rifiutato'; END $$");
    sql(onServer() ? "CREATE TRIGGER stop BEFORE UPDATE ON dentists FOR EACH ROW WHEN (NEW.id = 3) EXECUTE FUNCTION stop()"
                   : "CREATE TRIGGER stop BEFORE UPDATE ON dentists WHEN NEW.id = 3 BEGIN SELECT RAISE(ABORT, "
                     "'rifiutato'); END");
    dentists = store->dentists();
    dentists[0].name = "Nuovo";
    EXPECT_EQ(store->saveSettings("Studio", dentists), QStringLiteral("Errore durante il salvataggio: rifiutato"));
    const Store fresh(*openArchive());
    EXPECT_EQ(fresh.studioName(), "Studio Sorriso");
    EXPECT_EQ(fresh.dentists()[0].name, "Dott. Bianchi");
}

// Another computer's commits are followed, whoever makes them, with the day, mode and editor on show as
// they were; the store's own writes are no news, and a change in another week publishes nothing.
TEST_P(ArchiveTest, changesOfAnotherComputerAreFollowedAndOwnOnesAreNot)
{
    const std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    store->setMode(ViewMode::Day);
    store->newAppointment(QDate(2024, 12, 5), 2, 600);
    const std::optional<Appointment> editing = store->editing();
    QSignalSpy published(store.get(), &Store::changed);
    const auto followed = [&] {
        return TestSupport::eventually([&] { return store->refreshIfChangedElsewhere(); }, 2000);
    };
    EXPECT_FALSE(store->refreshIfChangedElsewhere());
    ASSERT_FALSE(store->save(booking(1, "2024-12-03", 600, 30, "Mia")));
    EXPECT_FALSE(store->refreshIfChangedElsewhere());

    ASSERT_FALSE(other.save(booking(2, "2024-12-03", 660, 30, "Altrui")));
    EXPECT_TRUE(followed());
    EXPECT_EQ(patients(store->weekAppointments()), (QStringList{"Mia", "Altrui"}));
    EXPECT_EQ(std::tuple(store->anchor(), store->mode(), store->editing()),
              std::tuple(QDate(2024, 12, 4), ViewMode::Day, editing));
    EXPECT_TRUE(TestSupport::eventually([&] { return other.refreshIfChangedElsewhere(); }, 2000));

    // Settings, a new dentist, a renamed one and a closed day, written past the program too.
    ASSERT_FALSE(other.saveSettings("Studio Altrove", other.dentists()));
    sql("INSERT INTO dentists (id, name, color, position) VALUES (4, 'Dentista 4', '#8E44AD', 3)");
    sql("UPDATE dentists SET name = 'Dott. Bianchi' WHERE id = 2");
    ASSERT_FALSE(other.setClosedPeriods({{QDate(2024, 12, 6), QDate(2024, 12, 6), "Ponte"}}));
    EXPECT_TRUE(TestSupport::eventually(
        [&] {
            (void)store->refreshIfChangedElsewhere();
            return store->studioName() == "Studio Altrove" && store->visibleDentists().size() == 4
                && store->dentist(2)->name == "Dott. Bianchi" && store->closedPeriodOn(QDate(2024, 12, 6));
        },
        3000));

    published.clear();
    insert("2025-01-08", 600, "Altra settimana");
    EXPECT_TRUE(followed());
    EXPECT_EQ(published.count(), 0);
}

TEST_P(ArchiveTest, backupIsAFileTheProgramOpens)
{
    ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
    Appointment a = booking(2, "2024-12-03", 600, 30, "Anna Verdi");
    a.notes = "Allergica\nal lattice";
    ASSERT_FALSE(store->save(a));
    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 900, 45, "Luca Neri")));
    store->deleteAppointment(store->appointments(QDate(2024, 12, 5), 1).first());
    ASSERT_FALSE(store->save(booking(3, "2024-12-06", 540, 15, "Rosa Blu")));

    const QString path = store->backupNow();
    EXPECT_EQ(path, dir.filePath("Backup/calvora-2024-12-04_100000.sqlite"));
    EXPECT_TRUE(Database::isIntact(path));
    Database copy(path);
    EXPECT_EQ(TestSupport::integer(copy, "PRAGMA user_version"), Database::schemaVersion);
    const FileStore restored(copy);
    EXPECT_EQ(restored.dentists(), store->dentists());
    EXPECT_EQ(restored.studioName(), "Studio Sorriso");
    EXPECT_EQ(restored.weekAppointments(), store->weekAppointments());
    // Kept with the archive's own moments of creation.
    EXPECT_EQ(TestSupport::integer(copy, "SELECT COUNT(*) FROM appointments WHERE created_at LIKE '____-__-__ __:__:__'"),
              2);
    if (onServer()) { // a copy of the server's agenda is private to this computer's user
        EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothArchives, ArchiveTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
