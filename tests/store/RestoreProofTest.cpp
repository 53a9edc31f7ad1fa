// Proving on this computer that the copies in the second place restore.
#include "Backup.h"
#include "DamagedFiles.h"
#include "Database.h"
#include "RecoveryKey.h"
#include "RestoreProof.h"
#include "RestoredCopy.h"
#include "SealedFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

RestoreProof::Counts restore(const QString& backup, const QString& folder)
{
    const RestoredCopy::Counts c = RestoredCopy::restoreInto(backup, folder);
    return {c.appointments, c.dentists};
}

struct Proof {
    QTemporaryDir dir;
    QString drive = dir.filePath("Disco");
    std::unique_ptr<RestoreProof> proof = make();

    std::unique_ptr<RestoreProof> make() const
    {
        return std::make_unique<RestoreProof>(std::make_unique<QSettings>(dir.filePath("locale.ini"), QSettings::IniFormat),
                                              dir.filePath("calvora.sqlite"), &restore);
    }

    // A backup of an agenda with `appointments` appointments, in the drive under `name`.
    QString backup(int appointments, const QString& name)
    {
        QDir().mkpath(drive);
        Database db(dir.filePath("calvora.sqlite"));
        db.run("DELETE FROM appointments");
        for (int i = 0; i < appointments; ++i)
            db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (1, "
                   "'2026-12-07', ?, 15, 'Anna Verdi')",
                   {540 + 15 * i});
        const QString path = drive + u'/' + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(Backup::now(db), path));
        return path;
    }
};

} // namespace

TEST(RestoreProofTest, theNewestCopyIsFoundByTheMomentInItsName)
{
    QTemporaryDir dir;
    EXPECT_EQ(RestoreProof::newestIn(dir.path()), std::nullopt);
    for (const char* name : {"calvora-2026-12-07_180000.sqlite", "calvora-2026-12-08.sqlite.cifrato",
                             "calvora-2026-12-09.sqlite.part", "calvora-versione-2-2026-12-10_09-00-00.sqlite",
                             "note.txt"})
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    EXPECT_EQ(RestoreProof::newestIn(dir.path()), dir.filePath("calvora-2026-12-08.sqlite.cifrato"));
    // An on-demand backup comes after the day's daily one; the plain copy first when both have a moment.
    QFile(dir.filePath("calvora-2026-12-08_090000.sqlite.cifrato")).open(QIODevice::WriteOnly);
    QFile(dir.filePath("calvora-2026-12-08_090000.sqlite")).open(QIODevice::WriteOnly);
    EXPECT_EQ(RestoreProof::newestIn(dir.path()), dir.filePath("calvora-2026-12-08_090000.sqlite"));
}

TEST(RestoreProofTest, aCopyRestoresWithItsCountsEncryptedOnlyWithTheKeyAndAFailureIsNeverRemembered)
{
    Clock::Pin clock(TestSupport::at(2026, 12, 8, 18, 30));
    Proof p;
    EXPECT_EQ(p.proof->lastProvedLine(), "Ultima prova di ripristino: mai");

    const QString plain = p.backup(3, "calvora-2026-12-08.sqlite");
    const RestoreProof::Outcome first = p.proof->proveNow(plain);
    EXPECT_TRUE(first.proved && !first.decrypted);
    EXPECT_EQ(first.text, "Prova di ripristino riuscita: il backup calvora-2026-12-08.sqlite si apre come agenda, supera "
                          "il controllo di integrità e contiene 3 appuntamenti e 3 dentisti.");
    EXPECT_TRUE(QFileInfo(plain).size() > 0 && QDir(p.drive).entryList(QDir::Files).size() == 1) << "only read";

    // Encrypted for the practice's key: proved in full with it, only checked without it, refused with another.
    const RecoveryKey::Pair key = RecoveryKey::create();
    const QString sealed = p.drive + "/calvora-2026-12-08_174502.sqlite.cifrato";
    SealedFile::seal(p.backup(5, "chiaro.sqlite"), sealed, key.publicKey);
    clock.set(TestSupport::at(2026, 12, 8, 18, 45));
    const RestoreProof::Outcome full = p.proof->proveNow(sealed, key.secretKey);
    EXPECT_TRUE(full.proved && full.decrypted);
    EXPECT_TRUE(full.text.contains("è stata decifrata con la chiave di ripristino") && full.text.contains("5 appuntamenti"))
        << full.text.toStdString();

    const RestoreProof::Outcome checked = p.proof->proveNow(sealed);
    EXPECT_TRUE(checked.proved && checked.checkedOnly && !checked.decrypted);
    EXPECT_TRUE(checked.text.contains("solo verificata, non decifrata")) << checked.text.toStdString();

    const RestoreProof::Outcome wrong = p.proof->proveNow(sealed, RecoveryKey::create().secretKey);
    EXPECT_FALSE(wrong.proved);
    EXPECT_TRUE(wrong.text.startsWith("Prova di ripristino non riuscita con calvora-2026-12-08_174502.sqlite.cifrato: "
                                      "la chiave di ripristino non è quella"))
        << wrong.text.toStdString();

    // Without the key a cut is seen only where no chunk can end (here inside the first one's tag); with it,
    // anywhere. Plain copies damaged in any way fail their check.
    QFile cut(sealed);
    ASSERT_TRUE(cut.resize(cut.size() - 5));
    EXPECT_FALSE(p.proof->proveNow(sealed, key.secretKey).proved);
    ASSERT_TRUE(cut.resize(16 + 80 + 24 + 10));
    const RestoreProof::Outcome cutShort = p.proof->proveNow(sealed);
    EXPECT_FALSE(cutShort.proved);
    EXPECT_TRUE(cutShort.text.contains("incompleta o danneggiata")) << cutShort.text.toStdString();
    for (const DamagedFiles::Variant& damaged : DamagedFiles::make(p.dir.path()))
        EXPECT_FALSE(p.proof->proveNow(damaged.path).proved) << damaged.label.toStdString();

    // Only successes are remembered, on this computer, across a start of the program.
    p.proof = p.make();
    EXPECT_EQ(p.proof->lastProved(), TestSupport::at(2026, 12, 8, 18, 45));
    EXPECT_EQ(p.proof->lastProvedWhat(), "copia cifrata calvora-2026-12-08_174502.sqlite.cifrato solo verificata, non decifrata");
    EXPECT_TRUE(p.proof->lastProvedLine().startsWith("Ultima prova di ripristino: martedì 8 dicembre 2026"))
        << p.proof->lastProvedLine().toStdString();
}
