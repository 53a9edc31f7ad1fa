#include "AppPaths.h"
#include "Bootstrap.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "ChildProcess.h"
#include "DamagedFiles.h"
#include "Database.h"
#include "Dialogs.h"
#include "FileStore.h"
#include "Store.h"
#include "TestSupport.h"
#include "Translocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>


namespace {

struct Exited {
    int status;
};

const QString readOnlyHint = "\n\nVerifica che la cartella del programma non sia in sola lettura.";

QString damagedLine(const QString& error)
{
    return "L'archivio degli appuntamenti è danneggiato (" + error + ").";
}

QString noSoundBackup(const QString& folder)
{
    return "\n\nNella cartella " + folder + " non c'è un backup integro da ripristinare. Non cancellare il file: chi "
           "si occupa dei computer dello studio può tentare di recuperarlo.";
}

// Start-up with the program installed in <tmp>/app, the process exit replaced by an exception.
class BootstrapTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2026, 3, 9, 8, 30)};
    QTemporaryDir dir;
    QString app = dir.filePath("app");
    QString data = app + "/Dati";
    QString path = data + "/calvora.sqlite";
    QTemporaryDir scratch;

    void SetUp() override
    {
        QDir().mkpath(app);
        (void)Dialogs::takeShown();
        Bootstrap::setExitHandler([](int status) { throw Exited{status}; });
        AppPaths::setApplicationLocationForTesting(app, app);
        AppPaths::setOverrideDataFolder(std::nullopt);
    }

    void TearDown() override
    {
        Bootstrap::setExitHandler({});
        AppPaths::setApplicationLocationForTesting(std::nullopt, std::nullopt);
        AppPaths::setOverrideDataFolder(std::nullopt);
        Translocation::setPlatformForTesting(std::nullopt);
    }

    // The exit status of a start that ends the process (-1: the start went on).
    static int exitStatus()
    {
        try {
            (void)Bootstrap::openDatabase();
        } catch (const Exited& e) {
            return e.status;
        }
        return -1;
    }

    // Puts the damaged file of this kind in the place of the agenda.
    void placeDamaged(const QString& label = "pagina azzerata")
    {
        for (const DamagedFiles::Variant& v : DamagedFiles::make(scratch.path()))
            if (v.label == label) {
                ASSERT_TRUE(QFile::copy(v.path, path));
                return;
            }
        FAIL() << label.toStdString();
    }

    // The alert of a start that ends the process with status 1.
    static DialogRequest failedStart()
    {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        EXPECT_EQ(exitStatus(), 1);
        const QList<DialogRequest> shown = Dialogs::takeShown();
        return shown.value(shown.size() - 1);
    }
};

void book(Database& db, const QString& patient)
{
    db.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES (1, '2026-03-10', 540, 30, ?)",
           {patient});
}

} // namespace

TEST_F(BootstrapTest, newDataFolderGetsDatabaseAndTodaysBackup)
{
    const QString elsewhere = dir.filePath("altrove/Dati prova");
    AppPaths::setOverrideDataFolder(elsewhere);
    const std::unique_ptr<Database> db = Bootstrap::openDatabase();
    EXPECT_EQ(db->path(), elsewhere + "/calvora.sqlite");
    EXPECT_EQ(FileStore(*db).dentists().size(), 3);
    EXPECT_TRUE(QFileInfo::exists(elsewhere + "/Backup/calvora-2026-03-09.sqlite"));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati")); // the default folder is not touched
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
}

// A practice that added a dentist, retired one and closed some days: the file still opens the usual way
// (and its daily backup carries all of it).
TEST_F(BootstrapTest, aFileWithAFourthDentistARetiredOneAndClosedDaysOpens)
{
    {
        QDir().mkpath(data);
        Database db(data + "/calvora.sqlite");
        FileStore store(db);
        ASSERT_FALSE(store.addDentist());
        ASSERT_FALSE(store.retireDentist(2, QDate(2026, 1, 5)));
        ASSERT_FALSE(store.setClosedPeriods(ClosedDays::italianHolidays(2026)));
    }
    AppPaths::setOverrideDataFolder(data);
    const std::unique_ptr<Database> db = Bootstrap::openDatabase();
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());
    FileStore reopened(*db);
    EXPECT_EQ(reopened.dentists().size(), 4);
    EXPECT_EQ(reopened.visibleDentists().size(), 3);
    EXPECT_EQ(reopened.closedPeriodOn(QDate(2026, 4, 6))->reason, "Lunedì dell'Angelo");
    Database backup(data + "/Backup/calvora-2026-03-09.sqlite");
    EXPECT_EQ(FileStore(backup).dentists(), reopened.dentists());
}

TEST_F(BootstrapTest, unusableDataFolderOrFileStopsTheStartAndIsLeftAlone)
{
    // A plain file where the data folder should be: the file system's description, then the path.
    TestSupport::writeFile(app + "/Dati", "non una cartella");
    DialogRequest alert = failedStart();
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_EQ(alert.icon, QMessageBox::Critical);
    ASSERT_EQ(alert.buttons.size(), 1);
    EXPECT_EQ(alert.buttons[0].text, "Esci");
    const QString tail = "\n\nPercorso: " + path + readOnlyHint;
    EXPECT_TRUE(alert.message.endsWith(tail)) << alert.message.toStdString();
    EXPECT_GT(alert.message.size(), tail.size());

    // Damaged databases and a text file, no backup folder: the alert says so and offers nothing but "Esci";
    // no backup of them, not a byte changed.
    QFile::remove(app + "/Dati");
    QDir().mkpath(app + "/Dati");
    QList<DamagedFiles::Variant> variants = DamagedFiles::make(scratch.path());
    ASSERT_FALSE(variants.isEmpty());
    variants.append({"testo", scratch.filePath("testo.sqlite")});
    TestSupport::writeFile(variants.last().path, QByteArray("appunti della segreteria\n").repeated(300));
    const QString noBackup = "\n\nPercorso: " + path + noSoundBackup(app + "/Dati/Backup");
    for (const DamagedFiles::Variant& variant : variants) {
        SCOPED_TRACE(variant.label.toStdString());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(variant.path, path));
        const QByteArray before = TestSupport::fileDigest(path);
        alert = failedStart();
        EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
        ASSERT_EQ(alert.buttons.size(), 1);
        EXPECT_TRUE(alert.message.endsWith(noBackup)) << alert.message.toStdString();
        const QString error = alert.message.section(u'\n', 0, 0);
        EXPECT_TRUE(error == damagedLine("database disk image is malformed") || error == damagedLine("file is not a database")
                    || error.startsWith(damagedLine("malformed database schema").chopped(2)))
            << error.toStdString();
        EXPECT_EQ(TestSupport::fileDigest(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + "-journal"));
        EXPECT_FALSE(QFileInfo::exists(app + "/Dati/Backup"));
    }
    EXPECT_EQ(alert.message, damagedLine("file is not a database") + noBackup);
}

// A file written by a newer Calvora is refused before anything could write to it: as that program left
// it (rollback journal or write-ahead log), and as it was when that program was stopped with its change
// still in its log (the file's own header still says version 1; the log must not be copied into it).
TEST_F(BootstrapTest, aFileOfANewerVersionIsRefusedAndNeverWritten)
{
    for (const QString mode : {"DELETE", "WAL", "WAL interrotto"}) {
        SCOPED_TRACE(mode.toStdString());
        QDir(data).removeRecursively();
        QDir().mkpath(data);
        const QString made = mode.endsWith("interrotto") ? scratch.filePath(mode + ".sqlite") : path;
        auto newer = std::make_unique<Database>(made);
        newer->execute("PRAGMA journal_mode = " + mode.section(u' ', 0, 0));
        book(*newer, "Anna Verdi");
        newer->execute(QString("PRAGMA user_version = %1").arg(Database::schemaVersion + 1));
        if (made != path) {
            ASSERT_TRUE(QFile::copy(made, path));
            ASSERT_TRUE(QFile::copy(made + "-wal", path + "-wal"));
        }
        newer.reset();
        QStringList files = QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (made != path) {
            files.append("calvora.sqlite-shm"); // SQLite's index of the log, which it reads through; no data
            files.sort();
        }
        const QByteArray before = TestSupport::fileDigest(path);
        const QByteArray log = TestSupport::fileDigest(path + "-wal");
        const DialogRequest alert = failedStart();
        EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
        EXPECT_EQ(alert.message, QString("L'archivio è stato creato o aggiornato da una versione più recente di Calvora "
                                         "(formato %1; questa versione di Calvora conosce fino al formato %2).\n\nPercorso: ")
                                         .arg(Database::schemaVersion + 1)
                                         .arg(Database::schemaVersion)
                                     + path
                                     + "\n\nL'archivio non è stato modificato. Per usarlo, installa su questo computer la "
                                       "versione di Calvora che lo ha aggiornato, la stessa degli altri computer che "
                                       "lo usano.");
        EXPECT_EQ(TestSupport::fileDigest(path), before);
        EXPECT_EQ(TestSupport::fileDigest(path + "-wal"), log);
        // No journal, log or backup appeared.
        EXPECT_EQ(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), files);
    }
}

// A damaged file: the newest backup that passes the integrity check is offered, and put in its place
// only when asked; the damaged file is kept under a dated name, every backup stays as it was.
TEST_F(BootstrapTest, aDamagedFileIsReplacedByTheNewestSoundBackupOnlyWhenAsked)
{
    const QString backups = data + "/Backup";
    QDir().mkpath(backups);
    const QList<DamagedFiles::Variant> damaged = DamagedFiles::make(scratch.path());
    ASSERT_GE(damaged.size(), 3);
    ASSERT_TRUE(QFile::copy(damaged[0].path, path));
    const QByteArray damagedDigest = TestSupport::fileDigest(path);
    const auto backup = [&](const QString& name, const QString& patient, int version = Database::schemaVersion) {
        Database db(backups + '/' + name);
        book(db, patient);
        db.execute(QString("PRAGMA user_version = %1").arg(version));
    };

    // Only damaged backups, one of a newer version, and a sound copy of the user's under a name of its own.
    ASSERT_TRUE(QFile::copy(damaged[1].path, backups + "/calvora-2026-03-08.sqlite"));
    ASSERT_TRUE(QFile::copy(damaged[2].path, backups + "/calvora-2026-03-06_173000.sqlite"));
    backup("calvora-2026-03-07_120000.sqlite", "Versione nuova", Database::schemaVersion + 1);
    backup("calvora-copia-segreteria.sqlite", "Copia della segreteria");
    DialogRequest alert = failedStart();
    ASSERT_EQ(alert.buttons.size(), 1);
    const QString damagedText = damagedLine("database disk image is malformed") + "\n\nPercorso: " + path;
    EXPECT_EQ(alert.message, damagedText + noSoundBackup(backups));

    // Two sound backups: the newer is offered with its day. "Esci" changes nothing.
    backup("calvora-2026-03-05.sqlite", "Giovedì");
    backup("calvora-2026-03-06_093000.sqlite", "Anna Verdi");
    QHash<QString, QByteArray> backupDigests;
    for (const QString& name : QDir(backups).entryList(QDir::Files))
        backupDigests.insert(name, TestSupport::fileDigest(backups + '/' + name));
    Dialogs::answerNext(QMessageBox::RejectRole);
    EXPECT_EQ(exitStatus(), 1);
    alert = Dialogs::takeShown().value(0);
    EXPECT_EQ(alert.title, "Impossibile aprire l'archivio appuntamenti");
    EXPECT_EQ(alert.message, damagedText
                                 + "\n\nL'ultimo backup integro è di venerdì 6 marzo 2026 alle 09:30 "
                                   "(calvora-2026-03-06_093000.sqlite). «Ripristina il backup» riapre l'agenda com'era "
                                   "allora; il file danneggiato resta nella cartella con un nome datato e non viene "
                                   "cancellato.");
    ASSERT_EQ(alert.buttons.size(), 2);
    EXPECT_EQ(alert.buttons[0].text, "Ripristina il backup");
    EXPECT_EQ(alert.buttons[1].text, "Esci");
    EXPECT_EQ(TestSupport::fileDigest(path), damagedDigest);
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList{"calvora.sqlite"});

    // Restored when asked: the program starts on the copy and, over its window, says where the data comes from.
    Dialogs::answerNext(QMessageBox::AcceptRole);
    Dialogs::answerNext(QMessageBox::AcceptRole); // the notice's "OK"
    CalvoraApp shell;
    CalvoraView& window = shell.agendaWindow();
    window.show();
    QList<DialogRequest> shown;
    EXPECT_TRUE(TestSupport::eventually([&] {
        shown += Dialogs::takeShown();
        return shown.size() == 2;
    }));
    const QString kept = "calvora-danneggiato-2026-03-09_083000.sqlite";
    EXPECT_EQ(shown.value(1).title, "Attenzione");
    EXPECT_EQ(shown.value(1).message, "L'archivio degli appuntamenti era danneggiato ed è stato ripristinato dal backup "
                                      "di venerdì 6 marzo 2026 alle 09:30 (calvora-2026-03-06_093000.sqlite): l'agenda è "
                                      "com'era allora. Controlla gli appuntamenti presi o cambiati dopo e inseriscili di "
                                      "nuovo. Il file danneggiato è conservato come "
                                          + kept + " nella cartella " + data + ".");
    ASSERT_EQ(shell.store().weekAppointments().size(), 1);
    EXPECT_EQ(shell.store().weekAppointments()[0].patient, "Anna Verdi");
    EXPECT_EQ(TestSupport::fileDigest(data + '/' + kept), damagedDigest);
    // Beside the agenda and the damaged file, only the memory of the anonymisations this computer has seen.
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"anonimizzazioni.json", kept, "calvora.sqlite"}));
    for (auto it = backupDigests.cbegin(); it != backupDigests.cend(); ++it)
        EXPECT_EQ(TestSupport::fileDigest(backups + '/' + it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(QFileInfo::exists(backups + "/calvora-2026-03-09.sqlite")); // today's, of the restored agenda
}

// Another program is still reading the damaged file: the restore is refused, saying what to do, and
// nothing in the data folder changes.
TEST_F(BootstrapTest, aRestoreWhileAnotherProgramUsesTheFileIsRefused)
{
    QDir().mkpath(data + "/Backup");
    placeDamaged();
    const QByteArray damagedDigest = TestSupport::fileDigest(path);
    (void)Database(data + "/Backup/calvora-2026-03-06.sqlite");
    const std::unique_ptr<Database> reader = Database::openReader(path);
    reader->execute("BEGIN");
    (void)reader->query("SELECT COUNT(*) FROM sqlite_master", {}, [](const SQLRow& r) { return r.integer(0); });

    Dialogs::answerNext(QMessageBox::AcceptRole); // "Ripristina il backup"
    const DialogRequest alert = failedStart();
    EXPECT_EQ(alert.message, "Impossibile ripristinare il backup calvora-2026-03-06.sqlite: l'archivio è in uso su un "
                             "altro computer. Chiudi Calvora sugli altri computer e riprova.\n\nPercorso: "
                                 + path + "\n\nIl file danneggiato non è stato modificato.");
    EXPECT_EQ(TestSupport::fileDigest(path), damagedDigest);
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList{"calvora.sqlite"});
}

// Once the day's backup is there, the structure check of the file runs beside the window; a damaged
// file is then offered its newest sound backup as at start-up, and the window comes back on it.
TEST_F(BootstrapTest, aFileFoundDamagedBesideTheWindowIsReplacedByItsBackup)
{
    QDir().mkpath(data + "/Backup");
    placeDamaged();
    {
        Database today(data + "/Backup/calvora-2026-03-09.sqlite");
        book(today, "Anna Verdi");
    }
    Dialogs::answerNext(QMessageBox::AcceptRole); // "Ripristina il backup"
    Dialogs::answerNext(QMessageBox::AcceptRole); // the notice's "OK"
    CalvoraApp shell;
    shell.agendaWindow().show();
    EXPECT_TRUE(Dialogs::takeShown().isEmpty()); // the window came first
    QList<DialogRequest> shown;
    EXPECT_TRUE(TestSupport::eventually([&] {
        shown += Dialogs::takeShown();
        return !shown.isEmpty() && shown.last().title == "Attenzione";
    }));
    EXPECT_TRUE(std::any_of(shown.cbegin(), shown.cend(), [](const DialogRequest& r) {
        return r.message.startsWith(damagedLine("database disk image is malformed"))
            && r.buttons.value(0).text == "Ripristina il backup";
    }));
    EXPECT_TRUE(shell.agendaWindow().isVisible());
    ASSERT_EQ(shell.store().weekAppointments().size(), 1);
    EXPECT_EQ(shell.store().weekAppointments()[0].patient, "Anna Verdi");
}

TEST_F(BootstrapTest, readOnlyApplicationFolderWithoutDataFolder)
{
    const auto readOnly = [](const QString& folder) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                          | QFile::ReadOther | QFile::ExeOther);
    };
    QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
    readOnly(app);
    // The alert names the application's folder; nothing is created.
    const QStringList missing = runUnprivileged([](QStringList& out) {
        Dialogs::answerNext(QMessageBox::AcceptRole);
        out << QString::number(exitStatus());
        for (const DialogRequest& shown : Dialogs::takeShown())
            out << shown.title << shown.message;
    });
    ASSERT_EQ(missing.size(), 3) << missing.join('\n').toStdString();
    EXPECT_EQ(missing[0], "1");
    EXPECT_EQ(missing[1], "Copia Calvora sul Mac");
    EXPECT_TRUE(missing[2].startsWith("Il programma si trova in una posizione in sola lettura"));
    EXPECT_TRUE(missing[2].endsWith("Trascina la cartella \"app\" in Applicazioni, poi apri l'app da lì."));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    // With the data folder in place no writability test is made: the start goes on.
    QFile::setPermissions(app, QFileDevice::Permissions(0x7700));
    QDir().mkpath(app + "/Dati");
    QFile::setPermissions(app + "/Dati", QFileDevice::Permissions(0x7777));
    readOnly(app);
    const QStringList present = runUnprivileged([](QStringList& out) { out << QString::number(exitStatus()); });
    EXPECT_EQ(present, QStringList{"-1"});
    QFile::setPermissions(app, QFileDevice::Permissions(0x7700));
}

TEST_F(BootstrapTest, translocatedStartRelaunchesFromTheUsersCopy)
{
    const QString temporary = "/private/var/folders/xy/T/AppTranslocation/1A2B/d/Calvora.app";
    const QString original = "/Users/studio/Applicazioni/Calvora Dentistico/Calvora.app";
    AppPaths::setApplicationLocationForTesting(temporary, app);
    QStringList calls;
    std::optional<QString> answer = original;
    const auto log = [&calls](const QString& what) {
        return [&calls, what](const QString& where) { calls << what + where; };
    };
    Translocation::setPlatformForTesting(Translocation::Platform{
        [&](const QString& where) { return log("lookup ")(where), answer; }, log("xattr "), log("open ")});

    Dialogs::answerNext(QMessageBox::RejectRole); // "Esci"
    EXPECT_EQ(exitStatus(), 0);
    const DialogRequest asked = Dialogs::takeShown().value(0);
    EXPECT_EQ(asked.title, "Completamento dell'installazione");
    EXPECT_EQ(asked.message, "Calvora deve essere riaperto dalla cartella in cui l'hai copiato:\n"
                             "/Users/studio/Applicazioni/Calvora Dentistico\n\nPremi Continua: l'operazione si fa "
                             "una sola volta.");
    EXPECT_EQ(asked.buttons.value(0).text, "Continua");
    EXPECT_EQ(asked.buttons.value(1).text, "Esci");
    EXPECT_EQ(calls, QStringList{"lookup " + temporary});

    calls.clear();
    Dialogs::answerNext(QMessageBox::AcceptRole); // "Continua": the mark is cleared before the new instance starts
    EXPECT_NE(exitStatus(), -1);
    EXPECT_EQ(calls, (QStringList{"lookup " + temporary, "xattr " + original, "open " + original}));
    EXPECT_FALSE(QFileInfo::exists(app + "/Dati"));

    for (const std::optional<QString>& lookup : {std::optional<QString>(), std::optional<QString>(temporary)}) {
        answer = lookup;
        const DialogRequest alert = failedStart();
        EXPECT_EQ(alert.title, "Installazione non completata");
        EXPECT_TRUE(alert.message.contains("\"Calvora Dentistico\""));
    }

    // Without "/AppTranslocation/" in the path the platform is never asked.
    calls.clear();
    AppPaths::setApplicationLocationForTesting(app + "/Calvora.app", app);
    EXPECT_TRUE(Bootstrap::openDatabase());
    EXPECT_TRUE(calls.isEmpty());
}
