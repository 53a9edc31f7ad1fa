// A backup put in the place of the database while other programs have the file open: the restore waits
// for no one and overwrites no one, and a program whose file was replaced writes into neither file.

#include "Backup.h"
#include "FileStore.h"
#include "ChildProcess.h"
#include "Database.h"
#include "OtherComputer.h"
#include "Store.h"
#include "TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace {

const QString replacedError = "l'agenda è stata ripristinata da un backup su un altro computer; riavvia Calvora";

// A data folder whose file holds "In uso", with a sound backup that holds "Dal backup".
class Restore : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    QString data = dir.filePath("Dati");
    QString path = data + "/calvora.sqlite";
    QString backup = data + "/Backup/calvora-2024-12-03.sqlite";

    void SetUp() override
    {
        QDir().mkpath(data + "/Backup");
        const QString insert = "INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) "
                               "VALUES (1, '2024-12-02', 540, 30, ?)";
        Database(path).run(insert, {"In uso"});
        Database(backup).run(insert, {"Dal backup"});
    }

    // Every file of the data folder (not its Backup folder), with a digest of its content.
    std::map<QString, QString> files() const
    {
        std::map<QString, QString> found;
        for (const QString& name : QDir(data).entryList(QDir::Files | QDir::Hidden))
            found[name] = digest(data + '/' + name);
        return found;
    }
    static QString digest(const QString& file) { return TestSupport::fileDigest(file).toHex().left(16); }

    static QStringList patients(const QString& file)
    {
        Database db(file);
        return db.query("SELECT patient FROM appointments ORDER BY id", {}, [](const SQLRow& r) { return r.text(0); });
    }

    // The kind of the restore's failure; absent when it restored.
    std::optional<DatabaseError::Kind> restoreFails()
    {
        try {
            (void)Backup::restore(backup, path);
        } catch (const DatabaseError& error) {
            return error.kind();
        }
        return std::nullopt;
    }
};

} // namespace

// Another program reading, writing, or with a write half in the file and its journal beside it: the
// restore is refused and nothing moves. Once that program has crashed, its journal goes aside with the
// file it belongs to and never reaches the copy.
TEST_F(Restore, refusedWhileAnotherProgramUsesTheFileAndItsJournalNeverReachesTheCopy)
{
    std::map<QString, QString> idle = files();
    for (const QString how : {"reading", "immediate", "writing"}) {
        SCOPED_TRACE(how.toStdString());
        ChildProcess holder({"hold-lock", path, how}, dir.filePath("holder.txt"));
        ASSERT_TRUE(holder.waitForLine("locked", 30000));
        std::map<QString, QString> held = files();
        EXPECT_EQ(restoreFails(), DatabaseError::Kind::InUse);
        EXPECT_EQ(files(), held);
        if (how == "writing") {
            ASSERT_TRUE(held.count("calvora.sqlite-journal"));
            ASSERT_NE(held["calvora.sqlite"], idle["calvora.sqlite"]); // the file is half-written
        }
        holder.kill(SIGKILL);
        holder.wait();
    }

    std::map<QString, QString> crashed = files();
    ASSERT_TRUE(crashed.count("calvora.sqlite-journal"));
    const QString kept = QFileInfo(Backup::restore(backup, path)).fileName();
    std::map<QString, QString> restored = files();
    EXPECT_EQ(restored.size(), 3u);
    EXPECT_EQ(restored["calvora.sqlite"], digest(backup));
    EXPECT_EQ(restored[kept], crashed["calvora.sqlite"]);
    EXPECT_EQ(restored[kept + "-journal"], crashed["calvora.sqlite-journal"]);
    EXPECT_EQ(patients(path), QStringList{"Dal backup"});
    EXPECT_TRUE(Database::isIntact(path));
    // The journal still undoes the crashed write, in its own file.
    EXPECT_EQ(patients(data + '/' + kept), QStringList{"In uso"});
}

// The other program was idle when the backup took the file's place: at its next look at the file it says
// so, and every save it tries is refused, written into neither the restored file nor the one set aside.
TEST_F(Restore, aProgramWhoseFileWasRestoredElsewhereStopsWritingAndSaysSo)
{
    OtherComputer other(path, dir.filePath("altro.txt"));
    ASSERT_EQ(other.answer({"book", "1", "2024-12-05", "540", "30", "Prima"}), "ok");
    const QString kept = Backup::restore(backup, path);
    std::map<QString, QString> restored = files();

    EXPECT_EQ(other.answer({"book", "2", "2024-12-05", "600", "30", "Seconda"}),
              "refused\tErrore durante il salvataggio: " + replacedError);
    EXPECT_EQ(other.answer({"rename", "1", "Dott. Rossi"}), "refused\tErrore durante il salvataggio: " + replacedError);
    EXPECT_EQ(other.answer({"alert"}), "refused\t" + Store::replacedArchiveText());
    EXPECT_EQ(files(), restored);
    EXPECT_EQ(patients(path), QStringList{"Dal backup"});
    EXPECT_EQ(patients(kept), (QStringList{"In uso", "Prima"}));
}

// In one program: the save itself compares the file before writing, without waiting for the half-second
// look, which then raises the alert once.
TEST_F(Restore, theSaveChecksTheFileItselfAndTheAlertComesOnce)
{
    Database db(path);
    FileStore store(db);
    const QString kept = Backup::restore(backup, path);
    const QString keptDigest = digest(kept);
    EXPECT_EQ(store.save({0, 2, "2024-12-05", 600, 30, "Seconda", {}, {}, {}}),
              "Errore durante il salvataggio: " + replacedError);
    EXPECT_FALSE(store.alertMessage());
    EXPECT_FALSE(store.refreshIfChangedElsewhere());
    EXPECT_EQ(store.alertMessage(), Store::replacedArchiveText());
    store.setAlertMessage(std::nullopt);
    EXPECT_FALSE(store.refreshIfChangedElsewhere());
    EXPECT_FALSE(store.alertMessage());
    EXPECT_EQ(digest(kept), keptDigest);
    EXPECT_EQ(patients(path), QStringList{"Dal backup"});
}
