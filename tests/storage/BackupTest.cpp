#include "Backup.h"
#include "Database.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class BackupTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 17, 45, 2)};

    QString dbPath() const { return dir.filePath("calvora.sqlite"); }
    QString backupDir() const { return dir.filePath("Backup"); }
    QStringList backups() const
    {
        return QDir(backupDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

QStringList dentistNames(const QString& path)
{
    Database copy(path);
    return copy.query("SELECT name FROM dentists ORDER BY position", {}, [](const SQLRow& r) { return r.text(0); });
}

} // namespace

TEST_F(BackupTest, dailyBackupOncePerDayAndAgainWhenDeleted)
{
    Database db(dbPath());
    Backup::dailyIfNeeded(db);
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09.sqlite"});
    EXPECT_EQ(dentistNames(dir.filePath("Backup/calvora-2026-03-09.sqlite")),
              (QStringList{"Dentista 1", "Dentista 2", "Dentista 3"}));

    db.run("UPDATE dentists SET name = 'Cambiato' WHERE id = 1");
    Backup::dailyIfNeeded(db); // same day: nothing new, the morning copy stays
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09.sqlite"});
    EXPECT_EQ(dentistNames(dir.filePath("Backup/calvora-2026-03-09.sqlite")).first(), "Dentista 1");

    // An on-demand backup of today does not count as the daily one.
    QFile::remove(dir.filePath("Backup/calvora-2026-03-09.sqlite"));
    Backup::now(db);
    Backup::dailyIfNeeded(db);
    EXPECT_EQ(backups(), (QStringList{"calvora-2026-03-09.sqlite", "calvora-2026-03-09_174502.sqlite"}));
    EXPECT_EQ(dentistNames(dir.filePath("Backup/calvora-2026-03-09.sqlite")).first(), "Cambiato");
}

TEST_F(BackupTest, onDemandBackupsInTheSameSecondKeepTheLaterCopy)
{
    Database db(dbPath());
    const QString first = Backup::now(db);
    EXPECT_EQ(first, dir.filePath("Backup/calvora-2026-03-09_174502.sqlite"));
    db.run("UPDATE dentists SET name = 'Dopo' WHERE id = 1");
    const QString second = Backup::now(db);
    EXPECT_EQ(second, first);
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09_174502.sqlite"});
    EXPECT_EQ(dentistNames(second).first(), "Dopo");
    // The copy is complete, intact and as private as the database itself.
    EXPECT_TRUE(Database::isIntact(second));
    EXPECT_EQ(QFileInfo(second).permissions(), QFileInfo(dbPath()).permissions());
}

TEST_F(BackupTest, retentionKeepsTheNewestSixtyAndLeavesForeignFilesAlone)
{
    Database db(dbPath());
    QDir().mkpath(backupDir());
    // 60 older backups of both kinds, so the new one makes 61.
    for (int i = 0; i < 30; ++i) {
        const QString day = QDate(2026, 1, 1).addDays(i).toString("yyyy-MM-dd");
        TestSupport::writeFile(backupDir() + "/calvora-" + day + ".sqlite", "x");
        TestSupport::writeFile(backupDir() + "/calvora-" + day + "_080000.sqlite", "x");
    }
    const QStringList foreign{"notes.txt", "calvora-2000-01-01.sqlite.bak", "copia-2000-01-01.sqlite",
                              "calvora-2000-01-01.SQLITE", ".calvora-2000-01-01.sqlite"};
    for (const QString& name : foreign)
        TestSupport::writeFile(backupDir() + '/' + name, "keep");

    Backup::now(db);
    const QStringList left = backups();
    for (const QString& name : foreign)
        EXPECT_TRUE(left.contains(name)) << name.toStdString();
    EXPECT_EQ(left.size(), 60 + foreign.size());
    // The lowest name (the oldest daily backup) is the one removed.
    EXPECT_FALSE(left.contains("calvora-2026-01-01.sqlite"));
    EXPECT_TRUE(left.contains("calvora-2026-01-01_080000.sqlite"));
    EXPECT_TRUE(left.contains("calvora-2026-03-09_174502.sqlite"));
}

TEST_F(BackupTest, failuresThrowAndPruneNothing)
{
    Database db(dbPath());
    TestSupport::writeFile(backupDir(), "un file dove dovrebbe esserci la cartella");
    EXPECT_THROW(Backup::dailyIfNeeded(db), DatabaseError);
    EXPECT_THROW(Backup::now(db), DatabaseError);
    EXPECT_TRUE(QFileInfo(backupDir()).isFile());

    // A failing copy leaves neither the backup's name nor its partial file behind.
    QFile::remove(backupDir());
    QDir().mkpath(backupDir() + "/calvora-2026-03-09_174502.sqlite/occupied");
    EXPECT_THROW(Backup::now(db), DatabaseError);
    EXPECT_EQ(backups(), QStringList{});
    EXPECT_EQ(QDir(backupDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{"calvora-2026-03-09_174502.sqlite"});
}

TEST_F(BackupTest, partialFilesNeverCountAndOnlyStaleOnesAreRemoved)
{
    Database db(dbPath());
    QDir().mkpath(backupDir());
    for (int i = 0; i < 60; ++i)
        TestSupport::writeFile(backupDir() + "/calvora-2026-01-" + QString::asprintf("%02d_%06d", 1 + i / 20, i)
                                   + ".sqlite",
                               "x");
    // Left by killed backups: one from two hours ago, one of another computer writing right now.
    const QString stale = "calvora-2026-01-01.sqlite.k3x9.part";
    const QString staleJournal = stale + "-journal";
    const QString fresh = "calvora-2026-03-09.sqlite.7q2m.part";
    const QString oldFormat = "calvora-2025-12-31.sqlite.part";
    const QString foreign = "appunti.part";
    for (const QString& name : {stale, staleJournal, fresh, oldFormat, foreign})
        TestSupport::writeFile(backupDir() + '/' + name, "meta");
    const QDateTime twoHoursAgo = QDateTime::currentDateTime().addSecs(-7200);
    for (const QString& name : {stale, staleJournal, oldFormat, foreign}) {
        QFile f(backupDir() + '/' + name);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(twoHoursAgo, QFileDevice::FileModificationTime));
    }

    Backup::now(db);
    const QStringList left = backups();
    // 60 real backups remain: the partial files took no place among them.
    EXPECT_EQ(left.filter(QRegularExpression("^calvora-.*\\.sqlite$")).size(), 60);
    EXPECT_TRUE(left.contains("calvora-2026-03-09_174502.sqlite"));
    EXPECT_FALSE(left.contains("calvora-2026-01-01_000000.sqlite"));
    EXPECT_TRUE(left.contains(fresh));
    EXPECT_TRUE(left.contains(foreign));
    EXPECT_FALSE(left.contains(stale));
    EXPECT_FALSE(left.contains(staleJournal));
    EXPECT_FALSE(left.contains(oldFormat));
    EXPECT_EQ(left.size(), 62);
}

TEST_F(BackupTest, copyGetsTheDatabasesPermissionBitsWhateverTheUmask)
{
    Database db(dbPath());
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(dbPath(), ownerOnly));
    const mode_t previous = ::umask(0);
    const QString path = Backup::now(db);
    ::umask(previous);
    struct stat copy {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &copy), 0);
    EXPECT_EQ(copy.st_mode & 07777, mode_t(0600));
    EXPECT_TRUE(Database::isIntact(path));
}
