// The file of the version before is upgraded at its first opening, after a copy of it as it was is
// kept in the backup folder, where pruning never takes it.
#include "Backup.h"
#include "Clock.h"
#include "Database.h"
#include "LogVerification.h"
#include "SqliteArchive.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

qint64 integer(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

const QString newTables = QStringLiteral(
    "SELECT COUNT(*) FROM sqlite_master WHERE name IN ('appointment_status', 'cancelled_appointments', "
    "'waiting_list', 'recalls')");

// A data folder's file as the version before left it: its tables, its appointments, user_version 1.
void makeVersionOne(const QString& path)
{
    Database db(path);
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) "
           "VALUES (1, '2024-12-05', 600, 30, 'Anna Verdi')");
    db.execute("DROP TABLE activity_log; DROP TABLE appointment_status; DROP TABLE cancelled_appointments; DROP TABLE waiting_list; DROP TABLE recalls; "
               "DROP INDEX IF EXISTS "
               "idx_cancelled_day; PRAGMA user_version = 1");
}

} // namespace

TEST(SchemaUpgrade, aVersionOneFileIsUpgradedOnceWithItsCopyKept)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0, 5));
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    {
        Database fresh(dir.filePath("new.sqlite"));
        EXPECT_EQ(integer(fresh, "PRAGMA user_version"), Database::schemaVersion);
        EXPECT_EQ(integer(fresh, newTables), 4);
    }
    EXPECT_FALSE(QDir(dir.filePath("Backup")).exists()) << "a new file needs no copy";
    makeVersionOne(path);
    ASSERT_EQ(Database::fileVersion(path), 1);

    {
        Database db(path);
        EXPECT_EQ(integer(db, "PRAGMA user_version"), Database::schemaVersion);
        EXPECT_EQ(integer(db, newTables), 4);
        EXPECT_EQ(integer(db, "SELECT COUNT(*) FROM appointments WHERE patient = 'Anna Verdi'"), 1);
    }
    const QString copy = dir.filePath("Backup/calvora-versione-1-2024-12-04_10-00-05.sqlite");
    ASSERT_TRUE(QFile::exists(copy));
    EXPECT_EQ(Database::fileVersion(copy), 1);
    EXPECT_TRUE(Database::isIntact(copy));
    {
        const std::unique_ptr<Database> old = Database::openReader(copy);
        EXPECT_EQ(integer(*old, "SELECT COUNT(*) FROM appointments WHERE patient = 'Anna Verdi'"), 1);
        EXPECT_EQ(integer(*old, newTables), 0);
    }

    // Opened again: nothing more to upgrade, no second copy.
    clock.set(TestSupport::at(2024, 12, 4, 11, 0));
    Database again(path);
    EXPECT_EQ(QDir(dir.filePath("Backup")).entryList(QDir::Files).size(), 1);

    // Sixty regular backups and more: the oldest go, the copy of the old version stays.
    for (int day = 0; day < Backup::keptFiles; ++day)
        ASSERT_TRUE(QFile::copy(copy, dir.filePath("Backup/calvora-" + QDate(2024, 1, 1).addDays(day).toString("yyyy-MM-dd")
                                                    + ".sqlite")));
    (void)Backup::now(again);
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(QDir(dir.filePath("Backup")).entryList(QDir::Files).size(), Backup::keptFiles + 1);
}

// A file of version 2 gets the activity log, empty (what came before it was never recorded), and its
// copy as it was; the program's writes on it are logged from then on.
TEST(SchemaUpgrade, aVersionTwoFileGetsAnEmptyLog)
{
    Clock::Pin clock(TestSupport::at(2024, 12, 4, 10, 0, 5));
    QTemporaryDir dir;
    const QString path = dir.filePath("calvora.sqlite");
    {
        Database db(path);
        db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) "
               "VALUES (1, '2024-12-05', 600, 30, 'Anna Verdi')");
        db.execute("DROP TABLE activity_log; DROP TABLE recalls; PRAGMA user_version = 2");
    }
    ASSERT_EQ(Database::fileVersion(path), 2);
    {
        SqliteArchive archive(std::make_unique<Database>(path));
        EXPECT_EQ(Database::fileVersion(path), Database::schemaVersion);
        EXPECT_TRUE(archive.openRecalls("2099-12-31").isEmpty());
        EXPECT_EQ(LogVerification::verify(archive).message(), "Registro integro: 0 voci");
        archive.writeSetting("studio_name", QString("Studio Sorriso"));
        EXPECT_EQ(LogVerification::verify(archive).message(), "Registro integro: 1 voce");
    }
    const QString copy = dir.filePath("Backup/calvora-versione-2-2024-12-04_10-00-05.sqlite");
    ASSERT_TRUE(QFile::exists(copy));
    EXPECT_EQ(Database::fileVersion(copy), 2);
}
