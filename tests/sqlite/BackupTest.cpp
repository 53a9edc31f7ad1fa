#include "Backup.h"
#include "Database.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class BackupTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 17, 45, 2)};
    Database db{dir.filePath("calvora.sqlite")};
    QString folder = dir.filePath("Backup");

    QStringList backups() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QString firstDentist(const QString& name) const
    {
        Database copy(folder + '/' + name);
        return copy.query("SELECT name FROM dentists WHERE id = 1", {}, [](const SQLRow& r) { return r.text(0); })
            .value(0);
    }

    void fill(const QStringList& names, const QByteArray& bytes = "x") const
    {
        QDir().mkpath(folder);
        for (const QString& name : names)
            TestSupport::writeFile(folder + '/' + name, bytes);
    }
};

} // namespace

TEST_F(BackupTest, dailyBackupOncePerDayAndAgainWhenDeleted)
{
    Backup::dailyIfNeeded(db);
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09.sqlite"});
    EXPECT_EQ(firstDentist("calvora-2026-03-09.sqlite"), "Dentista 1");

    db.run("UPDATE dentists SET name = 'Cambiato' WHERE id = 1");
    Backup::dailyIfNeeded(db); // same day: nothing new, the morning copy stays
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09.sqlite"});
    EXPECT_EQ(firstDentist("calvora-2026-03-09.sqlite"), "Dentista 1");

    // An on-demand backup of today does not count as the daily one.
    QFile::remove(folder + "/calvora-2026-03-09.sqlite");
    Backup::now(db);
    Backup::dailyIfNeeded(db);
    EXPECT_EQ(backups(), (QStringList{"calvora-2026-03-09.sqlite", "calvora-2026-03-09_174502.sqlite"}));
    EXPECT_EQ(firstDentist("calvora-2026-03-09.sqlite"), "Cambiato");
}

TEST_F(BackupTest, onDemandBackupsInTheSameSecondKeepTheLaterPrivateCopy)
{
    ASSERT_TRUE(QFile::setPermissions(db.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const mode_t previous = ::umask(0);
    const QString first = Backup::now(db);
    EXPECT_EQ(first, folder + "/calvora-2026-03-09_174502.sqlite");
    db.run("UPDATE dentists SET name = 'Dopo' WHERE id = 1");
    const QString second = Backup::now(db);
    ::umask(previous);
    EXPECT_EQ(second, first);
    EXPECT_EQ(backups(), QStringList{"calvora-2026-03-09_174502.sqlite"});
    EXPECT_EQ(firstDentist(backups().value(0)), "Dopo");
    // The copy is intact and as private as the database itself, whatever the umask.
    EXPECT_TRUE(Database::isIntact(second));
    struct stat copy {};
    ASSERT_EQ(::stat(QFile::encodeName(second).constData(), &copy), 0);
    EXPECT_EQ(copy.st_mode & 07777, mode_t(0600));
}

TEST_F(BackupTest, retentionKeepsTheNewestSixtyAndLeavesForeignFilesAlone)
{
    // 60 older backups of both kinds, so the new one makes 61.
    for (int i = 0; i < 30; ++i) {
        const QString day = QDate(2026, 1, 1).addDays(i).toString("yyyy-MM-dd");
        fill({"calvora-" + day + ".sqlite", "calvora-" + day + "_080000.sqlite"});
    }
    const QStringList foreign{"notes.txt", "calvora-2000-01-01.sqlite.bak", "copia-2000-01-01.sqlite",
                              "calvora-2000-01-01.SQLITE", ".calvora-2000-01-01.sqlite"};
    fill(foreign, "keep");

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

TEST_F(BackupTest, aFileInPlaceOfTheFolderFailsBothKinds)
{
    TestSupport::writeFile(folder, "un file dove dovrebbe esserci la cartella");
    EXPECT_THROW(Backup::dailyIfNeeded(db), DatabaseError);
    EXPECT_THROW(Backup::now(db), DatabaseError);
    EXPECT_TRUE(QFileInfo(folder).isFile());
}

// Partial files never count among the 60 (the crash tests show that); here only the stale ones go, and
// only under the names the program gives them.
TEST_F(BackupTest, onlyStalePartialFilesAreRemoved)
{
    // Left by killed backups two hours ago (the last one by an earlier version, which added no random part).
    const QStringList stale{"calvora-2026-01-01.sqlite.k3x9.part", "calvora-2026-01-01.sqlite.k3x9.part-journal",
                            "calvora-2026-01-02_093000.sqlite.3w5e11264sgsf.part", "calvora-2025-12-31.sqlite.part"};
    // The user's own files of the same age, and a partial file of another computer writing right now.
    const QStringList users{"appunti.part", "calvora-lettera.part", "calvora-preventivo.sqlite.part",
                            "calvora-2026-01-01.docx.part", "calvora-2026-01-01.sqlite.K3X9.part",
                            "calvora-2026-01-01.sqlite.k3x9.part.txt", "calvora-2026-01-01.sqlite.k3-x9.part"};
    const QString fresh = "calvora-2026-03-09.sqlite.7q2m.part";
    fill(stale + users + QStringList{fresh}, "meta");
    for (const QString& name : stale + users) {
        QFile f(folder + '/' + name);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
    }
    Backup::now(db);
    QStringList expected = users + QStringList{fresh, "calvora-2026-03-09_174502.sqlite"};
    QStringList left = backups();
    expected.sort();
    left.sort();
    EXPECT_EQ(left, expected);
}

// The second place: a copy read back and checked there under the backup's own name, the newest 60 kept.
TEST_F(BackupTest, aCopyToASecondPlaceIsCheckedThereAndTheNewestSixtyKept)
{
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
           "(1, '2026-03-09', 540, 30, 'Anna Neri'), (2, '2026-03-10', 600, 30, 'Mario Rossi')");
    const QString place = dir.filePath("Disco esterno");
    QDir().mkpath(place);
    for (int i = 0; i < 60; ++i)
        TestSupport::writeFile(place + "/calvora-" + QDate(2026, 1, 1).addDays(i).toString("yyyy-MM-dd") + ".sqlite", "x");
    TestSupport::writeFile(place + "/appunti.txt", "keep");

    const QString backup = Backup::now(db);
    const QString copy = Backup::copyChecked(backup, place);
    EXPECT_EQ(copy, place + "/calvora-2026-03-09_174502.sqlite");
    EXPECT_EQ(TestSupport::fileDigest(copy), TestSupport::fileDigest(backup));
    const QStringList left = QDir(place).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(left.size(), 61);
    EXPECT_TRUE(left.contains("appunti.txt"));
    EXPECT_FALSE(left.contains("calvora-2026-01-01.sqlite"));
    EXPECT_TRUE(left.contains("calvora-2026-03-09_174502.sqlite"));

    // A backup that is no sound database never takes a backup's name there.
    TestSupport::writeFile(folder + "/calvora-2026-03-10.sqlite", QByteArray(8192, 'z'));
    EXPECT_THROW((void)Backup::copyChecked(folder + "/calvora-2026-03-10.sqlite", place), DatabaseError);
    EXPECT_EQ(QDir(place).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);
}

TEST_F(BackupTest, aMissingOrFullSecondPlaceHoldsNothingAndSaysWhy)
{
    const QString backup = Backup::now(db);
    try {
        (void)Backup::copyChecked(backup, dir.filePath("scollegato"));
        ADD_FAILURE() << "a missing folder took a copy";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.message(), "la cartella non c'è (disco scollegato?)");
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("scollegato")));

    // A place that takes only a few kilobytes: the writes beyond fail as on a full drive.
    const QString place = dir.filePath("pieno");
    QDir().mkpath(place);
    struct rlimit before {};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        (void)Backup::copyChecked(backup, place);
    } catch (const DatabaseError& e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(message, "la cartella è piena (spazio esaurito)");
    EXPECT_TRUE(QDir(place).isEmpty(QDir::Files | QDir::Hidden | QDir::System));
}
