// Faults of the surroundings: a read-only data folder or database file, and another program holding
// the database's lock past the busy timeout.

#include "Backup.h"
#include "ChildProcess.h"
#include "Database.h"
#include "FaultVfs.h"
#include "FileStore.h"
#include "Scalar.h"
#include "Store.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

namespace {

const Appointment first{0, 1, "2024-12-02", 540, 30, "Prima", {}, {}, {}};
const Appointment second{0, 2, "2024-12-02", 600, 30, "Seconda", {}, {}, {}};

qint64 count(Database& db, const QString& where = "1")
{
    return TestSupport::integer(db, "SELECT COUNT(*) FROM appointments WHERE " + where);
}

QString outcome(const std::optional<QString>& message)
{
    return message.value_or("ok");
}

QString backupOutcome(Database& db)
{
    try {
        return "ok " + Backup::now(db).section('/', -1);
    } catch (const DatabaseError& e) {
        return e.message();
    }
}

Appointment stored(Store& store, const QString& patient)
{
    return store.search(patient).value(0);
}

} // namespace

// Run as the unprivileged user nobody when the tests run as root, since root ignores permission bits.
TEST(Permissions, readOnlyFolderIsReportedLeavesNoTraceAndWritingResumes)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    QDir().mkpath(data);
    handOver(dir.path());
    const QString path = data + "/calvora.sqlite";
    const QStringList seen = runUnprivileged([&](QStringList& out) {
        Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
        Database db(path);
        FileStore store(db);
        out << "setup: " + outcome(store.save(first));
        ::chmod(QFile::encodeName(data).constData(), 0555);
        out << "save: " + outcome(store.save(second));
        store.deleteAppointment(stored(store, "Prima"));
        out << "delete: " + store.alertMessage().value_or("ok");
        store.setAlertMessage(std::nullopt);
        const bool moved = store.move(stored(store, "Prima").id, QDate(2024, 12, 3), 1, 540);
        out << "move: " + QString::number(moved) + " " + store.alertMessage().value_or("");
        out << "settings: " + outcome(store.saveSettings("Studio", store.dentists()));
        out << "backup: " + backupOutcome(db);
        out << "rows while read-only: " + QString::number(count(db));
        ::chmod(QFile::encodeName(data).constData(), 0755);
        out << "save after: " + outcome(store.save(second));
        out << "move after: " + QString::number(store.move(stored(store, "Prima").id, QDate(2024, 12, 3), 1, 540));
        out << "backup after: " + backupOutcome(db);
    });
    const QString readOnly = "attempt to write a readonly database";
    EXPECT_EQ(seen, (QStringList{
                        "setup: ok",
                        "save: Errore durante il salvataggio: " + readOnly,
                        "delete: Errore durante l'eliminazione: " + readOnly,
                        "move: 0 Impossibile spostare l'appuntamento di Prima.\nErrore durante il salvataggio: " + readOnly,
                        "settings: Errore durante il salvataggio: " + readOnly,
                        "backup: Permission denied",
                        "rows while read-only: 1",
                        "save after: ok",
                        "move after: 1",
                        "backup after: ok calvora-2024-12-04_100000.sqlite",
                    }));
    EXPECT_TRUE(Database::isIntact(path));
    Database db(path);
    EXPECT_EQ(count(db), 2);
    EXPECT_EQ(count(db, "patient = 'Prima' AND day = '2024-12-03'"), 1);
}

// SQLite checks permissions when it opens the file, so this is a start with a read-only file (copied
// from a read-only medium, say): the agenda reads, saving reports, and once the file is made writable
// saving works without a restart.
TEST(Permissions, readOnlyDatabaseFileIsReportedAndWritingResumesWithoutRestart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    {
        Database db(path);
        db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
               "(1, '2024-12-02', 540, 30, 'Prima')");
    }
    handOver(dir.path());
    const QByteArray file = QFile::encodeName(path);
    const QByteArray before = TestSupport::fileDigest(path);
    QByteArray whileReadOnly;
    const QStringList seen = runUnprivileged([&](QStringList& out) {
        Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
        ::chmod(file.constData(), 0444);
        Database db(path);
        FileStore store(db);
        out << "start: " + QString::number(store.weekAppointments().size());
        out << "save: " + outcome(store.save(second));
        store.deleteAppointment(stored(store, "Prima"));
        out << "delete: " + store.alertMessage().value_or("ok");
        out << "settings: " + outcome(store.saveSettings("Studio", store.dentists()));
        out << "unchanged: " + QString::number(TestSupport::fileDigest(path) == before);
        // Reading is all a backup needs; the copy is as read-only as the database.
        const QString backup = backupOutcome(db);
        struct stat copy {};
        ::stat(QFile::encodeName(Backup::folder(db) + '/' + backup.section(' ', 1)).constData(), &copy);
        out << "backup: " + backup + QString::asprintf(" %o", copy.st_mode & 07777);
        ::chmod(file.constData(), 0644);
        out << "save after: " + outcome(store.save(second));
        out << "settings after: " + outcome(store.saveSettings("Studio", store.dentists()));
        out << "week after: " + QString::number(store.weekAppointments().size());
    });
    const QString readOnly = "attempt to write a readonly database";
    EXPECT_EQ(seen, (QStringList{
                        "start: 1",
                        "save: Errore durante il salvataggio: " + readOnly,
                        "delete: Errore durante l'eliminazione: " + readOnly,
                        "settings: Errore durante il salvataggio: " + readOnly,
                        "unchanged: 1",
                        "backup: ok calvora-2024-12-04_100000.sqlite 444",
                        "save after: ok",
                        "settings after: ok",
                        "week after: 2",
                    }));
    EXPECT_TRUE(Database::isIntact(path));
    Database db(path);
    EXPECT_EQ(count(db), 2);
}

// Another computer in the middle of a long write (immediate lock: others may still read) and one stuck
// while committing (exclusive lock: nobody may read). Each operation waits the 5-second busy timeout.
TEST(Lock, heldByAnotherProgramPastTheBusyTimeout)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0));
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    Database db(path);
    FileStore store(db);
    ASSERT_FALSE(store.save(first));
    const QString locked = "database is locked";
    {
        ChildProcess holder({"hold-lock", path, "immediate"}, dir.filePath("holder.txt"));
        ASSERT_TRUE(holder.waitForLine("locked", 30000));
        QElapsedTimer waited;
        waited.start();
        EXPECT_EQ(store.save(second), "Errore durante il salvataggio: " + locked);
        EXPECT_GE(waited.elapsed(), 4500); // it did wait for the other program
        store.deleteAppointment(stored(store, "Prima"));
        EXPECT_EQ(store.alertMessage(), "Errore durante l'eliminazione: " + locked);
        store.setAlertMessage(std::nullopt);
        EXPECT_FALSE(store.move(stored(store, "Prima").id, QDate(2024, 12, 3), 1, 540));
        EXPECT_EQ(store.alertMessage(),
                  "Impossibile spostare l'appuntamento di Prima.\nErrore durante il salvataggio: " + locked);
        EXPECT_EQ(store.saveSettings("Studio", store.dentists()), "Errore durante il salvataggio: " + locked);
        // Reading (and so a backup) still works while the other program only writes.
        EXPECT_TRUE(backupOutcome(db).startsWith("ok "));
        holder.kill(SIGKILL);
        holder.wait();
    }
    {
        const Appointment prima = stored(store, "Prima"); // found before nobody may read
        ChildProcess holder({"hold-lock", path, "exclusive"}, dir.filePath("holder.txt"));
        ASSERT_TRUE(holder.waitForLine("locked", 30000));
        store.setAlertMessage(std::nullopt);
        // The delete fails and so does the reload after it: the alert still says what matters.
        store.deleteAppointment(prima);
        EXPECT_EQ(store.alertMessage(), "Errore durante l'eliminazione: " + locked);
        clock.set(TestSupport::at(2024, 12, 4, 10, 1));
        EXPECT_EQ(backupOutcome(db), locked);
        holder.kill(SIGKILL);
        holder.wait();
    }
    EXPECT_TRUE(QDir(Backup::folder(db)).entryList({"*.part"}, QDir::Files).isEmpty());
    // The other program is gone: everything works again and nothing half-done remains.
    store.setAlertMessage(std::nullopt);
    EXPECT_EQ(store.save(second), std::nullopt);
    EXPECT_TRUE(store.move(stored(store, "Prima").id, QDate(2024, 12, 3), 1, 540));
    EXPECT_EQ(store.saveSettings("Studio", store.dentists()), std::nullopt);
    EXPECT_FALSE(store.alertMessage());
    EXPECT_TRUE(Database::isIntact(path));
    EXPECT_EQ(count(db), 2);
}

int main(int argc, char** argv)
{
    // Every connection of this test program goes through the fault layer; it does nothing until armed.
    FaultVfs::install();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
