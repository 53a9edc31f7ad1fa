// The patient's erasure and the practice's retention on both archives: every copy of the texts replaced
// in one transaction, the log still whole, a namesake spared, and an older backup anonymised again.
#include "ArchiveFixture.h"
#include "Backup.h"
#include "ErasureMemory.h"
#include "LikePattern.h"
#include "LogVerification.h"
#include "ProgramRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

namespace {

const QString neutral = QString::fromUtf16(ActivityChain::anonymised);

QJsonObject json(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

class AnonymiseTest : public ArchiveTest {
protected:
    QList<ActivityEntry> entries() const
    {
        QList<ActivityEntry> all;
        archive->forEachLogEntry([&all](const ActivityEntry& e) {
            all.append(e);
            return true;
        });
        return all;
    }

    qint64 book(const QString& day, int start, const QString& patient, const QString& phone)
    {
        Appointment a = booking(1, day, start, 30, patient);
        a.phone = phone;
        a.treatment = "Igiene orale";
        a.notes = "Allergia alla penicillina";
        EXPECT_FALSE(store->save(a));
        for (const Appointment& stored : store->fetchAppointments(day, day))
            if (stored.startMinutes == start)
                return stored.id;
        return 0;
    }

    QString verifyCommand() const
    {
        const QStringList where = onServer() ? QStringList{"--server", serverLine} : QStringList{"--data-dir", dir.path()};
        return std::get<1>(runProgram(CALVORA_PROGRAM, QStringList{"--verify-log"} + where)).trimmed();
    }

    // The agenda as it stands, to be put back later as an older backup would be: the file's backup, the
    // server's dump.
    QString keepOlderCopy()
    {
        if (!onServer())
            return store->backupNow();
        const QString dump = dir.filePath("older.dump");
        EXPECT_EQ(QProcess::execute(PgTestServer::binaries() + "/pg_dump",
                                    {"-h", server->socketFolder(), "-U", "postgres", "-Fc", "-f", dump, database()}),
                  0);
        return dump;
    }

    // Every program closed, the older copy put in the agenda's place, the fixture's own reopened on it.
    void putBack(const QString& older)
    {
        store.reset();
        archive.reset();
        rawFile.reset();
        rawServer.reset();
        if (onServer()) {
            server->connect("postgres")->execute("DROP DATABASE " + database() + " WITH (FORCE)");
            server->connect("postgres")->execute("CREATE DATABASE " + database());
            ASSERT_EQ(QProcess::execute(PgTestServer::binaries() + "/pg_restore",
                                        {"-h", server->socketFolder(), "-U", "postgres", "-d", database(), older}),
                      0);
            rawServer = PgConnection::open(*ConnectionLine::parse(serverLine));
        } else {
            Backup::restore(older, dir.filePath("calvora.sqlite"));
            rawFile = std::make_unique<Database>(dir.filePath("calvora.sqlite"));
        }
        archive = openArchive();
        store = std::make_unique<Store>(*archive);
    }

    QString database() const { return QRegularExpression("dbname=(\\S+)").match(serverLine).captured(1); }

    // The entries whose personal texts still hold the text, by the record they are about.
    QList<std::optional<qint64>> naming(const QString& text) const
    {
        QList<std::optional<qint64>> about;
        for (const ActivityEntry& e : entries())
            if (e.personal.contains(text, Qt::CaseInsensitive))
                about << e.subject;
        return about;
    }
};

TEST_P(AnonymiseTest, aPatientIsAnonymisedEverywhereButTheNamesakeAndTheLogStaysWhole)
{
    ASSERT_TRUE(store->prepareSearch(true));
    const qint64 kept = book("2024-12-05", 600, "Anna Verdi", "333 111");
    Appointment edited = *store->storedAppointment(kept);
    edited.treatment = "Otturazione";
    ASSERT_FALSE(store->saveEdited(edited, *store->storedAppointment(kept)));
    ASSERT_FALSE(store->setStatus(kept, AppointmentStatus::Confirmed));
    const qint64 cancelled = book("2024-12-06", 600, "anna verdi", "333 111");
    ASSERT_FALSE(store->cancel(*store->storedAppointment(cancelled), CancelledBy::Patient, "Mal di denti"));
    WaitingEntry waiting;
    waiting.patient = " ANNA VERDI ";
    waiting.phone = "333 111";
    waiting.from = QDate(2024, 12, 4);
    ASSERT_FALSE(store->saveWaitingEntry(waiting));
    ASSERT_FALSE(store->logEvent("export", "invite", {}, QJsonObject{{"patient", "Anna Verdi"}, {"phone", "333 111"}}));
    const qint64 namesake = book("2024-12-05", 660, "Anna Verdi", "347 222");
    const qsizetype before = entries().size();

    qsizetype reached = 0;
    ASSERT_FALSE(store->anonymisePatient("anna VERDI", {"333 111"}, &reached));
    EXPECT_EQ(reached, 3);

    const Appointment a = *store->storedAppointment(kept);
    EXPECT_EQ(QStringList({a.patient, a.phone, a.treatment, a.notes}), QStringList(4, neutral));
    EXPECT_EQ(std::tuple(a.day, a.startMinutes, a.durationMinutes), std::tuple(QString("2024-12-05"), 600, 30));
    EXPECT_EQ(store->status(kept).status, AppointmentStatus::Confirmed);
    const Cancellation c = store->cancellations(QDate(2024, 12, 6), QDate(2024, 12, 6))->value(0);
    EXPECT_EQ(QStringList({c.appointment.patient, c.appointment.phone, c.reason}), QStringList(3, neutral));
    EXPECT_EQ(store->waitingList()->value(0).patient, neutral);
    EXPECT_EQ(store->storedAppointment(namesake)->patient, "Anna Verdi") << "another telephone: another patient";
    EXPECT_EQ(patients(archive->search(LikePattern::containing("verdi"), 10)), QStringList{"Anna Verdi"})
        << "the kept search index follows";
    EXPECT_FALSE(store->treatmentSuggestions().contains(neutral)) << "not a treatment to offer";
    EXPECT_TRUE(store->knownPatients("Paziente").isEmpty()) << "nor a patient";

    // One entry tells of it, without the name; the rows' own entries are not there.
    const QList<ActivityEntry> log = entries();
    ASSERT_EQ(log.size(), before + 1);
    const ActivityEntry act = log.last();
    EXPECT_EQ(std::tuple(act.action, act.target, act.subject), std::tuple(QString("anonymise"), QString("patient"), std::nullopt));
    EXPECT_FALSE(act.details.contains("Verdi", Qt::CaseInsensitive) || act.personal.contains("Verdi", Qt::CaseInsensitive));
    EXPECT_EQ(json(act.details).value("appointments"), 1);
    EXPECT_EQ(json(act.details).value("waiting"), 1);
    EXPECT_EQ(naming("Verdi"), QList<std::optional<qint64>>({namesake})) << "only the namesake's booking";
    EXPECT_EQ(naming("333 111"), QList<std::optional<qint64>>());
    EXPECT_EQ(naming("penicillina"), QList<std::optional<qint64>>({namesake}));
    EXPECT_EQ(verifyCommand(), QString("Registro integro: %1 voci").arg(log.size()));

    // A replaced text turned into another name is still a change the check finds.
    const qint64 first = json(act.details).value("entries").toArray().first().toInteger();
    sql("UPDATE activity_log SET personal = replace(personal, ?, 'Maria Bianchi') WHERE n = ?", {neutral, first});
    EXPECT_EQ(LogVerification::verify(*archive).message(),
              QString("Registro alterato: i dati personali della voce %1 sono stati modificati").arg(first));
}

TEST_P(AnonymiseTest, aFailedAnonymisationLeavesEverythingAsItWas)
{
    const qint64 id = book("2024-12-05", 600, "Anna Verdi", "333 111");
    if (onServer()) {
        sql("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'rifiutato'; END $$");
        sql("CREATE TRIGGER refuse BEFORE INSERT ON activity_log FOR EACH ROW WHEN (NEW.action = 'anonymise') "
            "EXECUTE FUNCTION refuse()");
    } else {
        sql("CREATE TRIGGER refuse BEFORE INSERT ON activity_log WHEN NEW.action = 'anonymise' "
            "BEGIN SELECT RAISE(ABORT, 'rifiutato'); END");
    }
    const QList<ActivityEntry> before = entries();
    const std::optional<QString> failure = store->anonymisePatient("Anna Verdi", {});
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains("rifiutato")) << failure->toStdString();
    EXPECT_EQ(store->storedAppointment(id)->phone, "333 111");
    EXPECT_EQ(entries(), before);
}

TEST_P(AnonymiseTest, anOlderAgendaBroughtBackIsAnonymisedAgainBeforeUse)
{
    const QString memory = dir.filePath("anonimizzazioni.json");
    store->setErasureMemory(memory);
    const qint64 id = book("2024-12-05", 600, "Anna Verdi", "333 111");
    const QString older = onServer() ? QString() : store->backupNow();
    const qint64 later = book("2024-12-06", 600, "Anna Verdi", "333 111");
    ASSERT_FALSE(store->anonymisePatient("Anna Verdi", {}));
    QFile remembered(memory);
    ASSERT_TRUE(remembered.open(QIODevice::ReadOnly));
    EXPECT_FALSE(remembered.readAll().contains("Verdi")) << "ids, never the name";

    // The older agenda comes back: a backup put in the file's place, on the server by SQL.
    if (onServer()) {
        sql("DELETE FROM appointments WHERE id = ?", {later});
        sql("UPDATE appointments SET patient = 'Anna Verdi', phone = '333 111' WHERE id = ?", {id});
        sql("SELECT setval(pg_get_serial_sequence('appointments', 'id'), ?)", {id});
    } else {
        store.reset();
        archive.reset();
        rawFile.reset();
        Backup::restore(older, dir.filePath("calvora.sqlite"));
        archive = openArchive();
        rawFile = std::make_unique<Database>(dir.filePath("calvora.sqlite"));
    }
    store = std::make_unique<Store>(*archive);
    store->setErasureMemory(memory);
    ASSERT_FALSE(store->reapplyErasures());
    EXPECT_EQ(store->storedAppointment(id)->patient, neutral);
    EXPECT_EQ(json(entries().last().details).value("reason"), "restore");
    EXPECT_TRUE(naming("Verdi").isEmpty());
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();
    // A new booking does not take the id the memory holds, which the older agenda had not used yet.
    EXPECT_GT(book("2024-12-09", 600, "Luca Neri", ""), later);
    const qsizetype count = entries().size();
    ASSERT_FALSE(store->reapplyErasures());
    EXPECT_EQ(entries().size(), count) << "nothing left to do, nothing logged";
}

TEST_P(AnonymiseTest, anotherComputerRemembersWhatItSawAnonymisedAndAppliesItToAnOlderCopy)
{
    const auto remembered = [](const QString& memory) { return ErasureMemory::read(memory).records.appointments; };
    store->setErasureMemory(dir.filePath("a.json"));
    const QString memory = dir.filePath("b.json"); // the other computer's own data folder
    std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    auto other = std::make_unique<Store>(*otherArchive);
    other->setErasureMemory(memory);
    ASSERT_FALSE(other->reapplyErasures());
    (void)other->refreshIfChangedElsewhere();
    const qint64 id = book("2024-12-05", 600, "Anna Verdi", "333 111");
    const QString older = keepOlderCopy();
    ASSERT_FALSE(store->anonymisePatient("Anna Verdi", {}));

    // The change arrives at the other computer, which learns what was reached.
    for (QDeadlineTimer deadline(10000); !remembered(memory).contains(id) && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        (void)other->refreshIfChangedElsewhere();
    }
    EXPECT_EQ(remembered(memory), QList<qint64>{id});
    {
        // One started later learns it at its start.
        const std::unique_ptr<AgendaArchive> third = openArchive();
        Store later(*third);
        later.setErasureMemory(dir.filePath("c.json"));
        ASSERT_FALSE(later.reapplyErasures());
        EXPECT_EQ(remembered(dir.filePath("c.json")), QList<qint64>{id});
    }

    other.reset();
    otherArchive.reset();
    putBack(older);
    ASSERT_EQ(store->storedAppointment(id)->patient, "Anna Verdi") << "the older copy";
    otherArchive = openArchive();
    other = std::make_unique<Store>(*otherArchive);
    other->setErasureMemory(memory);
    ASSERT_FALSE(other->reapplyErasures());
    EXPECT_EQ(store->storedAppointment(id)->patient, neutral);
    EXPECT_EQ(json(entries().last().details).value("reason"), "restore");
    EXPECT_TRUE(naming("Verdi").isEmpty());
    EXPECT_EQ(verifyCommand(), QString("Registro integro: %1 voci").arg(entries().size()));
}

TEST_P(AnonymiseTest, retentionAnonymisesOnceADayWhatIsOlderThanTheYearsChosen)
{
    insert("2013-05-06", 600, "Carlo Blu", "333 1", "Estrazione");
    insert("2015-05-06", 600, "Dario Neri", "333 2", "Protesi");
    EXPECT_FALSE(store->retentionYears()) << "off by default";
    ASSERT_FALSE(store->setRetentionYears(10));
    EXPECT_EQ(patients(store->fetchAppointments("2013-01-01", "2015-12-31")), QStringList({neutral, "Dario Neri"}));
    EXPECT_EQ(json(entries().last().details).value("reason"), "retention");

    insert("2014-12-01", 600, "Elena Gialli");
    const qsizetype count = entries().size(); // the server logs the insert by SQL too
    ASSERT_FALSE(store->applyRetentionIfDue());
    EXPECT_EQ(entries().size(), count) << "once a day";
    clock.set(TestSupport::at(2024, 12, 5, 8, 0));
    ASSERT_FALSE(store->applyRetentionIfDue());
    EXPECT_EQ(patients(store->fetchAppointments("2013-01-01", "2015-12-31")), QStringList({neutral, neutral, "Dario Neri"}));
    EXPECT_EQ(entries().size(), count + 1);
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothArchives, AnonymiseTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
