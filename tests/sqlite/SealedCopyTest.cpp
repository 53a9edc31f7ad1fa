#include "Backup.h"
#include "Database.h"
#include "RecoveryKey.h"
#include "SealedFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

// Encrypted copies in the second place: what leaves the practice is unreadable without the recovery key.
class SealedCopyTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Clock::Pin clock{TestSupport::at(2026, 12, 8, 17, 45, 2)};
    Database db{dir.filePath("calvora.sqlite")};
    QString place = dir.filePath("Disco esterno");
    RecoveryKey::Pair key = RecoveryKey::create();

    void SetUp() override
    {
        QDir().mkpath(place);
        db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
               "(1, '2026-12-08', 540, 30, 'Annunziata Bellosguardo'), (2, '2026-12-09', 600, 30, 'Mario Rossi')");
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QStringList files(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
};

} // namespace

TEST_F(SealedCopyTest, theCopyHoldsNoNameAndOpensExactlyWithTheRightKeyOnly)
{
    const QString backup = Backup::now(db);
    ASSERT_TRUE(bytesOf(backup).contains("Annunziata Bellosguardo"));

    const QString copy = Backup::copyChecked(backup, place, key.publicKey);
    EXPECT_EQ(copy, place + "/calvora-2026-12-08_174502.sqlite.cifrato");
    EXPECT_EQ(files(place), QStringList{"calvora-2026-12-08_174502.sqlite.cifrato"});
    const QByteArray sealed = bytesOf(copy);
    EXPECT_FALSE(sealed.contains("Annunziata"));
    EXPECT_FALSE(sealed.contains("Bellosguardo"));
    EXPECT_FALSE(sealed.contains("SQLite format"));
    // The local backup stays plain, and nothing sealed is left beside it.
    EXPECT_EQ(files(Backup::folder(db)), QStringList{"calvora-2026-12-08_174502.sqlite"});

    const QString opened = dir.filePath("aperta.sqlite");
    SealedFile::open(copy, opened, key.secretKey);
    EXPECT_EQ(TestSupport::fileDigest(opened), TestSupport::fileDigest(backup));
    Database restored(opened);
    EXPECT_EQ(restored.query("SELECT patient FROM appointments ORDER BY id", {}, [](const SQLRow& r) { return r.text(0); }),
              (QList<QString>{"Annunziata Bellosguardo", "Mario Rossi"}));

    const QString message = TestSupport::errorOf(
        [&] { SealedFile::open(copy, dir.filePath("altra.sqlite"), RecoveryKey::create().secretKey); });
    EXPECT_TRUE(message.contains("non è quella con cui è stata cifrata")) << message.toStdString();
}

TEST_F(SealedCopyTest, rotationKeepsTheNewestSixtyPlainAndEncryptedTogether)
{
    // 30 plain and 30 encrypted copies of earlier days, alternating, and files that are not the program's.
    for (int i = 0; i < 60; ++i) {
        const QString name = "calvora-" + QDate(2026, 9, 1).addDays(i).toString("yyyy-MM-dd") + ".sqlite";
        TestSupport::writeFile(place + '/' + name + (i % 2 ? Backup::encryptedSuffix : QString()), "x");
    }
    const QStringList others{"appunti.txt", "calvora-2020-01-01.sqlite.cifrato.bak", "calvora-2020-01-01.sqlite.zip"};
    for (const QString& name : others)
        TestSupport::writeFile(place + '/' + name, "keep");

    (void)Backup::copyChecked(Backup::now(db), place, key.publicKey);
    const QStringList left = files(place);
    EXPECT_EQ(left.size(), 60 + others.size());
    EXPECT_FALSE(left.contains("calvora-2026-09-01.sqlite"));
    EXPECT_TRUE(left.contains("calvora-2026-09-02.sqlite.cifrato"));
    EXPECT_TRUE(left.contains("calvora-2026-12-08_174502.sqlite.cifrato"));
    for (const QString& name : others)
        EXPECT_TRUE(left.contains(name)) << name.toStdString();

    // A plain copy of the next backup counts with them: the oldest encrypted one goes.
    clock.set(TestSupport::at(2026, 12, 8, 18, 0, 0));
    (void)Backup::copyChecked(Backup::now(db), place);
    EXPECT_FALSE(files(place).contains("calvora-2026-09-02.sqlite.cifrato"));
    EXPECT_TRUE(files(place).contains("calvora-2026-12-08_180000.sqlite"));
}

TEST_F(SealedCopyTest, aFullPlaceSaysSoAndLeavesNothingInEitherFolder)
{
    const QString backup = Backup::now(db);
    const QStringList local = files(Backup::folder(db));

    // Files may take only a few kilobytes, as on a full drive.
    struct rlimit before {};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString full = TestSupport::errorOf([&] { (void)Backup::copyChecked(backup, place, key.publicKey); });
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(full, "la cartella è piena (spazio esaurito)");
    EXPECT_TRUE(files(place).isEmpty());
    EXPECT_EQ(files(Backup::folder(db)), local);
}
