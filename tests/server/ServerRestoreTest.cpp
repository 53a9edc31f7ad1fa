// The whole restore of a server's agenda from a backup: one transaction, the log kept, and nothing
// changed when it cannot be done.
#include "ArchiveFixture.h"
#include "LogVerification.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString neutral = QString::fromUtf16(ActivityChain::anonymised);

} // namespace

class ServerRestoreTest : public ArchiveFixture {
protected:
    ServerRestoreTest() : ArchiveFixture(ArchiveKind::Server) {}

    QList<ActivityEntry> entries() const
    {
        QList<ActivityEntry> all;
        archive->forEachLogEntry([&all](const ActivityEntry& e) {
            all.append(e);
            return true;
        });
        return all;
    }

    // The agenda's rows without the log, in key order (the waiting list without its ids, which a
    // restore numbers anew).
    QStringList agenda()
    {
        QStringList rows;
        for (const char* sql :
             {"SELECT id || '|' || name || '|' || color || '|' || position FROM dentists ORDER BY id",
              "SELECT key || '=' || value FROM settings ORDER BY key",
              "SELECT id || '|' || dentist_id || '|' || day || '|' || start_min || '|' || duration_min || '|' || "
              "patient || '|' || phone || '|' || created_at FROM appointments ORDER BY id",
              "SELECT appointment_id || '|' || status FROM appointment_status ORDER BY appointment_id",
              "SELECT id || '|' || patient || '|' || cancelled_by FROM cancelled_appointments ORDER BY id",
              "SELECT patient || '|' || duration_min FROM waiting_list ORDER BY patient"}) {
            const PgResult r = rawServer->query(QString::fromLatin1(sql));
            for (int i = 0; i < r.rows(); ++i)
                rows << r.text(i, 0);
        }
        return rows;
    }

    qint64 book(qint64 dentist, const QString& day, int start, const QString& patient, const QString& phone = {})
    {
        Appointment a = booking(dentist, day, start, 30, patient);
        a.phone = phone;
        EXPECT_FALSE(store->save(a));
        for (const Appointment& stored : store->fetchAppointments(day, day))
            if (stored.startMinutes == start && stored.dentistId == dentist)
                return stored.id;
        return 0;
    }
};

TEST_F(ServerRestoreTest, theBackupsAgendaTakesTheServersPlaceAndTheLogGoesOn)
{
    store->setErasureMemory(dir.filePath("anonimizzazioni.json"));
    ASSERT_FALSE(store->setOperators({"Giulia"}));
    const qint64 anna = book(1, "2024-12-05", 600, "Anna Verdi", "333 111");
    const qint64 mario = book(2, "2024-12-05", 600, "Mario Rossi");
    const qint64 carla = book(3, "2024-12-06", 660, "Carla Bruni");
    ASSERT_FALSE(store->setStatus(mario, AppointmentStatus::Confirmed));
    ASSERT_FALSE(store->cancel(*store->storedAppointment(carla), CancelledBy::Patient));
    WaitingEntry waiting;
    waiting.patient = "Piero Gialli";
    waiting.from = QDate(2024, 12, 4);
    ASSERT_FALSE(store->saveWaitingEntry(waiting));
    const QStringList atBackup = agenda();
    const QString backup = store->backupNow();
    clock.set(TestSupport::at(2024, 12, 4, 17, 30));

    // Since the backup: a deletion, a booking, a renamed dentist, an operator, Anna anonymised.
    store->deleteAppointment(*store->storedAppointment(mario));
    const qint64 luca = book(1, "2024-12-09", 600, "Luca Neri");
    sql("UPDATE dentists SET name = 'Dott. Bianchi' WHERE id = 1");
    ASSERT_FALSE(store->setOperators({"Giulia", "Paolo"}));
    ASSERT_FALSE(store->anonymisePatient("Anna Verdi", {}));
    const QList<ActivityEntry> logBefore = entries();
    const QStringList backupsBefore = QDir(dir.filePath("Backup")).entryList(QDir::Files);

    // Another computer on the same agenda.
    std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    (void)other.refreshIfChangedElsewhere();

    ASSERT_EQ(store->restoreServerFrom(backup), std::nullopt);

    // The backup's rows, Anna anonymised again, the operators and the identity as they were.
    QStringList expected = atBackup;
    expected.replaceInStrings("Anna Verdi|333 111", neutral + "|" + neutral);
    expected.replaceInStrings(QRegularExpression("^operators=.*"), "operators=[\"Giulia\",\"Paolo\"]");
    EXPECT_EQ(agenda(), expected);
    EXPECT_EQ(store->storedAppointment(anna)->patient, neutral);
    EXPECT_EQ(store->operators(), (QStringList{"Giulia", "Paolo"}));
    EXPECT_EQ(store->dentists().value(0).name, "Dentista 1") << "what is on show is read again";

    // The state replaced was backed up first, and the restore names that backup.
    const QList<ActivityEntry> log = entries();
    ASSERT_GE(log.size(), logBefore.size() + 3);
    for (qsizetype i = 0; i < logBefore.size(); ++i)
        EXPECT_EQ(log[i].hash, logBefore[i].hash) << "the log is kept, not replaced";
    QStringList acts;
    for (const ActivityEntry& e : log.mid(logBefore.size()))
        acts << e.action;
    EXPECT_EQ(acts, (QStringList{"backup", "import", "restore", "anonymise"}));
    const QJsonObject restore = QJsonDocument::fromJson(log[logBefore.size() + 2].details.toUtf8()).object();
    EXPECT_EQ(restore.value("file").toString(), QFileInfo(backup).fileName());
    const QString before = dir.filePath("Backup/" + restore.value("before").toString());
    EXPECT_FALSE(backupsBefore.contains(QFileInfo(before).fileName()));
    EXPECT_EQ(TestSupport::integer(*Database::openReader(before), "SELECT count(*) FROM appointments WHERE patient = 'Luca Neri'"), 1);
    EXPECT_TRUE(LogVerification::verify(*archive).intact()) << LogVerification::verify(*archive).message().toStdString();

    // The other computer reloads as after any change; new bookings take ids never given before.
    bool seen = false;
    for (QDeadlineTimer deadline(10000); !seen && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        seen = other.refreshIfChangedElsewhere();
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(other.fetchAppointments("2024-12-09", "2024-12-09").size(), 0);
    EXPECT_GT(book(1, "2024-12-10", 600, "Nuovo Paziente"), luca);
}

TEST_F(ServerRestoreTest, aRestoreThatFailsMidwayLeavesTheServerAsItWas)
{
    book(1, "2024-12-05", 600, "Anna Verdi");
    const QString backup = store->backupNow();
    clock.set(TestSupport::at(2024, 12, 4, 17, 30));
    {
        // Two appointments over the same minutes, as a file shared where locking failed may hold: the
        // server refuses the second one only after the agenda's rows were removed.
        Database file(backup);
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
                 "(1, '2024-12-05', 615, 30, 'Mario Rossi')");
    }
    book(2, "2024-12-06", 600, "Luca Neri");
    const QStringList before = agenda();
    const qsizetype logged = entries().size();

    const std::optional<QString> failure = store->restoreServerFrom(backup);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith("Ripristino dal backup " + QFileInfo(backup).fileName()
                                    + " non riuscito: il backup contiene due appuntamenti dello stesso dentista "
                                      "sovrapposti"))
        << failure->toStdString();
    EXPECT_EQ(agenda(), before);
    ASSERT_EQ(entries().size(), logged + 1);
    EXPECT_EQ(entries().last().action, "backup") << "only the backup taken first";

    // A file that is not a backup is refused the same way.
    EXPECT_TRUE(store->restoreServerFrom(dir.filePath("nessuno.sqlite"))->contains("non esiste"));
    EXPECT_EQ(agenda(), before);
}
