// "--backup-now" as a process of its own, as a practice's scheduled task runs it.
#include "Backup.h"
#include "ChildProcess.h"
#include "Database.h"
#include "FileStore.h"
#include "ProgramRun.h"
#include "RecoveryKey.h"
#include "SealedFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QStringList backupsIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(BackupCommandTest, copiesTheBackupCheckedOrExitsOneWithTheReason)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    const QString config = dir.filePath("config");
    const QString drive = dir.filePath("Disco");
    QDir().mkpath(data);
    QDir().mkpath(drive);
    {
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
                 "(1, '2026-12-09', 600, 30, 'Anna Neri')");
    }
    // Nowhere to copy to: nothing is taken.
    auto [status, out, err] = runProgram(CALVORA_EXECUTABLE, {"--backup-now", "--data-dir", data}, config);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("Nessuna cartella per le copie dei backup")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(data + "/Backup"));

    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--backup-now", "--to", drive, "--data-dir", data}, config);
    ASSERT_EQ(status, 0) << err.toStdString();
    ASSERT_EQ(backupsIn(drive).size(), 1);
    const QString copy = drive + '/' + backupsIn(drive)[0];
    EXPECT_EQ(backupsIn(data + "/Backup"), backupsIn(drive));
    EXPECT_TRUE(out.contains("Copia verificata in " + copy)) << out.toStdString();
    {
        Database copied(copy);
        EXPECT_EQ(copied.query("SELECT patient FROM appointments", {}, [](const SQLRow& r) { return r.text(0); }),
                  QStringList{"Anna Neri"});
        Database file(data + "/calvora.sqlite");
        EXPECT_EQ(file.query("SELECT action FROM activity_log ORDER BY n DESC LIMIT 1", {},
                             [](const SQLRow& r) { return r.text(0); }),
                  QStringList{"backup"});
    }

    // The folder chosen in the settings of this computer, unplugged.
    {
        QSettings local(config + "/Calvora/Calvora.conf", QSettings::NativeFormat);
        const QString agenda = QFileInfo(data + "/calvora.sqlite").absoluteFilePath();
        local.setValue("secondaCopia/"
                           + QString::fromLatin1(agenda.toUtf8().toBase64(QByteArray::Base64UrlEncoding
                                                                          | QByteArray::OmitTrailingEquals))
                           + "/cartella",
                       dir.filePath("Scollegato"));
    }
    std::tie(status, out, err) = runProgram(CALVORA_EXECUTABLE, {"--backup-now", "--data-dir", data}, config);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.startsWith("La cartella delle copie dei backup (" + dir.filePath("Scollegato")
                               + ") non è raggiungibile"))
        << err.toStdString();
}

// Root writes into any folder, so the read-only place is tried by an unprivileged user.
TEST(BackupCommandTest, aReadOnlyPlaceHoldsNothingAndTheMessageSaysSo)
{
    QTemporaryDir dir;
    const QString place = dir.filePath("Sola lettura");
    QDir().mkpath(place);
    handOver(dir.path());
    const QByteArray publicKey = RecoveryKey::create().publicKey;
    const QStringList seen = runUnprivileged([&](QStringList& out) {
        Database db(dir.filePath("calvora.sqlite"));
        const QString backup = Backup::now(db);
        ::chmod(QFile::encodeName(place).constData(), 0555);
        for (const QByteArray& key : {QByteArray(), publicKey}) { // plain, then encrypted
            try {
                out << Backup::copyChecked(backup, place, key);
            } catch (const DatabaseError& e) {
                out << e.message();
            }
        }
        // Nothing in the place; beside the backup, nothing sealed left behind.
        out << backupsIn(place) << QString::number(backupsIn(dir.filePath("Backup")).size());
    });
    EXPECT_EQ(seen, (QStringList{"la cartella non permette di scrivere", "la cartella non permette di scrivere", "1"}));
}

// With the practice's recovery key the scheduled copy is encrypted like any other; the local backup stays plain.
TEST(BackupCommandTest, encryptsTheCopyWhenThePracticeHasARecoveryKey)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("Dati");
    const QString drive = dir.filePath("Disco");
    QDir().mkpath(data);
    QDir().mkpath(drive);
    const RecoveryKey::Pair key = RecoveryKey::create();
    {
        Database file(data + "/calvora.sqlite");
        file.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
                 "(1, '2026-12-09', 600, 30, 'Anna Neri')");
        FileStore store(file);
        ASSERT_EQ(store.setRecoveryPublicKey(key.publicKey), std::nullopt);
    }
    auto [status, out, err] = runProgram(CALVORA_EXECUTABLE, {"--backup-now", "--to", drive, "--data-dir", data},
                                         dir.filePath("config"));
    ASSERT_EQ(status, 0) << err.toStdString();
    const QStringList local = backupsIn(data + "/Backup");
    ASSERT_EQ(local.size(), 1);
    ASSERT_EQ(backupsIn(drive), QStringList{local[0] + Backup::encryptedSuffix});
    const QString copy = drive + '/' + backupsIn(drive)[0];
    EXPECT_TRUE(out.contains("Copia cifrata verificata in " + copy)) << out.toStdString();
    SealedFile::open(copy, dir.filePath("aperta.sqlite"), key.secretKey);
    EXPECT_EQ(TestSupport::fileDigest(dir.filePath("aperta.sqlite")), TestSupport::fileDigest(data + "/Backup/" + local[0]));
}
