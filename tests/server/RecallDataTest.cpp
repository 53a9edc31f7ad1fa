// Recalls beyond their own table, on both archives: their changes in the log, the patient's data and
// export, anonymisation; on the server, moving with the agenda (copy, backup, whole restore), ids kept.
#include "ArchiveFixture.h"
#include "Backup.h"
#include "CsvRows.h"
#include "ErasureMemory.h"
#include "FileAgendaSource.h"
#include "LogVerification.h"
#include "PatientExport.h"
#include "ServerCopy.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString neutral = QString::fromUtf16(ActivityChain::anonymised);

QJsonObject json(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

Recall recallFor(const QString& patient, const QString& phone, const QDate& due)
{
    Recall r;
    r.patient = patient;
    r.phone = phone;
    r.kind = "Igiene";
    r.due = due;
    r.months = 6;
    r.lastVisit = due.addMonths(-6);
    return r;
}

} // namespace

class RecallDataTest : public ArchiveFixture {
protected:
    explicit RecallDataTest(ArchiveKind kind) : ArchiveFixture(kind) {}

    qint64 book(const QString& day, int start, const QString& patient, const QString& phone)
    {
        Appointment a = booking(1, day, start, 30, patient);
        a.phone = phone;
        EXPECT_FALSE(store->save(a));
        for (const Appointment& stored : store->fetchAppointments(day, day))
            if (stored.startMinutes == start)
                return stored.id;
        return 0;
    }

    // A recall set by the visit `appointment` (a new one, or a change of the one it has).
    Recall setRecall(AgendaArchive& on, qint64 appointment, const Recall& next)
    {
        std::optional<Recall> stored;
        EXPECT_TRUE(on.replaceRecall(appointment, on.recallOf(appointment), next, &stored));
        return stored.value_or(Recall{});
    }

    QList<ActivityEntry> recallEntries(qint64 id) const
    {
        QList<ActivityEntry> found;
        archive->forEachLogEntry([&](const ActivityEntry& e) {
            if (e.target == u"recall" && e.subject == id)
                found.append(e);
            return true;
        });
        return found;
    }
};

class RecallOnBothTest : public RecallDataTest, public ::testing::WithParamInterface<ArchiveKind> {
protected:
    RecallOnBothTest() : RecallDataTest(GetParam()) {}
};

TEST_P(RecallOnBothTest, everyChangeOfARecallIsLoggedAsTheRecallsAndTheLogStillVerifies)
{
    const qint64 visit = book("2024-12-05", 600, "Anna Verdi", "333 111");
    Recall r = setRecall(*archive, visit, recallFor("Anna Verdi", "333 111", QDate(2025, 6, 5)));
    ASSERT_GT(r.id, 0);
    r.pausedUntil = QDate(2025, 6, 20);
    (void)setRecall(*archive, visit, r);
    ASSERT_TRUE(archive->replaceRecall(visit, archive->recallOf(visit), std::nullopt));

    const QList<ActivityEntry> log = recallEntries(r.id);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(json(log[0].details).value("appointment_id").toArray().at(1).toInteger(), visit);
    EXPECT_EQ(json(log[0].personal).value("patient").toArray().at(1), "Anna Verdi");
    EXPECT_EQ(json(log[1].details).keys(), QStringList{"paused_until"}) << "a change carries only what changed";
    EXPECT_TRUE(json(log[2].details).value("due_day").toArray().at(1).isNull()) << "removed";
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();
}

TEST_P(RecallOnBothTest, thePatientsRecordAndExportHoldTheRecallButNotTheNamesakes)
{
    ASSERT_FALSE(store->saveSettings("Studio Sorriso", store->dentists()));
    const qint64 visit = book("2024-12-05", 600, "Anna Verdi", "333 111");
    const qint64 namesake = book("2024-12-05", 660, "Anna Verdi", "347 999");
    Recall r = recallFor("anna verdi", "333 111", QDate(2025, 6, 5));
    r.attempts = 2;
    r.consent = false;
    (void)setRecall(*archive, visit, r);
    (void)setRecall(*archive, namesake, recallFor("Anna Verdi", "347 999", QDate(2025, 12, 5)));

    const PatientRecord all = store->patientRecord("ANNA VERDI");
    ASSERT_EQ(all.recalls.size(), 2);
    const PatientRecord record = all.without({"347 999"});
    ASSERT_EQ(record.recalls.size(), 1);

    QStringList written;
    ASSERT_FALSE(PatientExport::writeFolder(*store, record, dir.path(), &written));
    QFile csv(written.value(1));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = CsvRows::parse(csv.readAll());
    ASSERT_EQ(rows.size(), 3) << "the column names, the visit, the recall";
    EXPECT_EQ(rows[2].mid(0, 8), QStringList({"Richiamo", "05/06/2025", "", "", "Richiamo Igiene", "333 111",
                                               "Ultima visita il 05/12/2024", "Da richiamare, 2 tentativi, consenso no"}));
    EXPECT_FALSE(rows[2][9].isEmpty()) << "the recall's own log";
}

TEST_P(RecallOnBothTest, anonymisingThePatientOrByRetentionBlanksTheRecallAndItsEntries)
{
    const qint64 anna = book("2024-12-05", 600, "Anna Verdi", "333 111");
    const qint64 carlo = book("2024-12-05", 660, "Carlo Blu", "333 222");
    const qint64 dario = book("2024-12-05", 720, "Dario Neri", "");
    Recall annaRecall = setRecall(*archive, anna, recallFor("Anna Verdi", "333 111", QDate(2025, 6, 5)));
    annaRecall.phone = "333 111 0";
    annaRecall = setRecall(*archive, anna, annaRecall);
    const Recall old = setRecall(*archive, carlo, recallFor("Carlo Blu", "333 222", QDate(2013, 6, 5)));
    (void)setRecall(*archive, dario, recallFor("Dario Neri", "", QDate(2015, 6, 5)));

    ASSERT_FALSE(store->anonymisePatient("anna verdi", {}));
    EXPECT_EQ(archive->recallOf(anna)->patient, neutral);
    EXPECT_EQ(archive->recallOf(anna)->phone, neutral);
    EXPECT_EQ(json(archive->logPage({}, 1).value(0).details).value("recalls"), 1);
    for (const ActivityEntry& e : recallEntries(annaRecall.id))
        EXPECT_FALSE(e.personal.contains("Verdi") || e.personal.contains("333 111")) << e.personal.toStdString();

    ASSERT_FALSE(store->setRetentionYears(10));
    EXPECT_EQ(archive->recallOf(carlo)->patient, neutral) << "due before the limit";
    EXPECT_EQ(archive->recallOf(carlo)->phone, neutral);
    EXPECT_EQ(archive->recallOf(dario)->patient, "Dario Neri");
    for (const ActivityEntry& e : recallEntries(old.id))
        EXPECT_FALSE(e.personal.contains("Carlo")) << e.personal.toStdString();
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothArchives, RecallOnBothTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });

class RecallMovingTest : public RecallDataTest {
protected:
    RecallMovingTest() : RecallDataTest(ArchiveKind::Server) {}
};

// A file's recalls go onto the server with their ids, into the server's backups and back with a whole
// restore; new recalls never take an id given before.
TEST_F(RecallMovingTest, recallsTravelWithTheAgendaKeepingTheirIds)
{
    const QString filePath = dir.filePath("studio.sqlite");
    Recall kept;
    qint64 fileVisit = 0;
    {
        SqliteArchive file(std::make_unique<Database>(filePath));
        Store fileStore(file);
        Appointment a = booking(1, "2024-12-05", 600, 30, "Anna Verdi");
        ASSERT_FALSE(fileStore.save(a));
        fileVisit = fileStore.fetchAppointments("2024-12-05", "2024-12-05").value(0).id;
        const Recall gone = setRecall(file, fileVisit, recallFor("Gino Gialli", "", QDate(2025, 1, 1)));
        ASSERT_TRUE(file.replaceRecall(fileVisit, gone, std::nullopt));
        kept = setRecall(file, fileVisit, recallFor("Anna Verdi", "333 111", QDate(2025, 6, 5)));
        ASSERT_EQ(kept.id, 2);
    }
    store.reset();
    archive.reset();
    ServerCopy::copy([&filePath] { return FileAgendaSource::open(filePath); }, *ConnectionLine::parse(serverLine));
    archive = openArchive();
    store = std::make_unique<Store>(*archive);
    EXPECT_EQ(archive->recallOf(fileVisit), kept) << "id, appointment and moment as the file had them";

    const QString backup = store->backupNow();
    const auto backupRecalls = TestSupport::integer(*Database::openReader(backup),
                                                    "SELECT count(*) FROM recalls WHERE id = 2 AND patient = 'Anna Verdi'");
    EXPECT_EQ(backupRecalls, 1);

    ASSERT_TRUE(archive->replaceRecall(fileVisit, kept, std::nullopt));
    const qint64 other = book("2024-12-06", 600, "Luca Neri", "");
    const Recall later = setRecall(*archive, other, recallFor("Luca Neri", "", QDate(2025, 6, 6)));
    EXPECT_EQ(later.id, 3) << "after the file's ids";
    ASSERT_EQ(store->restoreServerFrom(backup), std::nullopt);
    EXPECT_EQ(archive->recallOf(fileVisit), kept) << "back with its id";
    EXPECT_FALSE(archive->recallOf(other));
    const qint64 again = book("2024-12-09", 600, "Piero Blu", "");
    EXPECT_GT(setRecall(*archive, again, recallFor("Piero Blu", "", QDate(2025, 6, 9))).id, later.id)
        << "no id given before, also one the restore took away";
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();
}

class RecallErasureTest : public RecallDataTest {
protected:
    RecallErasureTest() : RecallDataTest(ArchiveKind::File) {}
};

// An older file brought back: its recall of an anonymised patient is anonymised again by id, and a later
// recall's id, which the older file had not given yet, is never given again.
TEST_F(RecallErasureTest, anOlderAgendaBroughtBackHasItsRecallsAnonymisedAgain)
{
    const QString memory = dir.filePath("anonimizzazioni.json");
    store->setErasureMemory(memory);
    const qint64 first = book("2024-12-05", 600, "Anna Verdi", "333 111");
    const Recall kept = setRecall(*archive, first, recallFor("Anna Verdi", "333 111", QDate(2025, 6, 5)));
    const QString older = store->backupNow();
    const qint64 second = book("2024-12-06", 600, "Anna Verdi", "333 111");
    const Recall later = setRecall(*archive, second, recallFor("Anna Verdi", "333 111", QDate(2025, 6, 6)));
    ASSERT_FALSE(store->anonymisePatient("Anna Verdi", {}));
    EXPECT_EQ(ErasureMemory::read(memory).records.recalls, (QList<qint64>{kept.id, later.id}));

    store.reset();
    archive.reset();
    rawFile.reset();
    Backup::restore(older, dir.filePath("calvora.sqlite"));
    archive = openArchive();
    store = std::make_unique<Store>(*archive);
    store->setErasureMemory(memory);
    ASSERT_EQ(archive->recallOf(first)->patient, "Anna Verdi") << "the older copy";
    ASSERT_FALSE(store->reapplyErasures());
    EXPECT_EQ(archive->recallOf(first)->patient, neutral);
    const qint64 other = book("2024-12-09", 600, "Luca Neri", "");
    EXPECT_GT(setRecall(*archive, other, recallFor("Luca Neri", "", QDate(2025, 6, 9))).id, later.id);
}
